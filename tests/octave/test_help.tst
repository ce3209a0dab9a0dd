## Help in Octave: each function's help file stands beside its MEX file;
## the call runs the MEX file and help shows the file's comment block.

%!shared names, plugins
%! names = {"KX4410_InitDriverAndBoard", "KX4410_CloseDriverAndBoard", "KX4410_ErrorText", ...
%!          "KX4410_ReadAD", "KX4410_SendDA", "KX4410_SendPWM", "KX4410_Delay", ...
%!          "KX4410_SendAndRead", "KX4410_PID", "kxsim"};
%! plugins = fullfile (fileparts (file_in_loadpath ("kx_run_tests.m")), "..", "..", "plugins");

%!test
%! for k = 1:numel (names)
%!   name = names{k};
%!   assert (exist (name), 3, name);
%!   assert (regexp (which (name), ['[/\\]' name '\.mex$']) > 0, name);
%!   assert (exist (fullfile (fileparts (which (name)), [name ".m"]), "file"), 2, name);
%!   [text, format] = get_help_text (name);
%!   assert (format, "plain text");
%!   assert (strncmp (text, [upper(name) "  "], numel (name) + 2), name);
%!   assert (! isempty (strfind (text, "Example")), name);
%! endfor

## What "help" prints.
%!test
%! out = evalc ("help KX4410_PID");
%! assert (! isempty (strfind (out, "KX4410_PID  A PID control loop through the KX4410 board.")));
%! assert (! isempty (strfind (out, "[t, y, e, u] = KX4410_PID(")));

## Every message a plug-in raises is listed in its help, word for word,
## with the identifier it is raised with beside it.
%!test
%! esc = @(s) regexptranslate ("escape", s);
%! for k = 1:numel (names) - 1
%!   name = names{k};
%!   source = fileread (fullfile (plugins, [name ".cpp"]));
%!   % Adjacent literals are one string.
%!   source = regexprep (source, '"\s*"', "");
%!   messages = regexp (source, '"((?:KX4410 |This function )[^"\\]*)"', "tokens");
%!   raises = regexp (source, '"(KX4410:[A-Za-z:]+)",\s*"((?:KX4410 |This function )[^"\\]*)"', ...
%!                    "tokens");
%!   % Printed lines aside, every message is raised with an identifier.
%!   raised = regexp (regexprep (source, 'mexPrintf\s*\([^;]*;', ""), ...
%!                    '"((?:KX4410 |This function )[^"\\]*)"', "tokens");
%!   assert (numel (raises), numel (raised), [name ": a message without its identifier"]);
%!   if (! strcmp (name, "KX4410_CloseDriverAndBoard"))
%!     raises{end+1} = {"KX4410:notNumeric", "KX4410 argument is empty or not numeric!"};
%!   endif
%!   text = get_help_text (name);
%!   assert (numel (messages) > 1, name);
%!   for m = messages
%!     assert (! isempty (strfind (text, m{1}{1})), [name " lacks " m{1}{1}]);
%!   endfor
%!   for r = raises
%!     [id, msg] = deal (r{1}{:});
%!     form = ['^KX4410:(nargout|nargin|notNumeric|' name(8:end) ':[a-z][A-Za-z]*)$'];
%!     assert (! isempty (regexp (id, form)), id);
%!     assert (! isempty (regexp (text, ['\n\s*' esc(id) '\s+' esc(msg)])), [name " lacks " id]);
%!   endfor
%! endfor

## The timed functions say where their time stamps stop being exact, and
## that long calls block.
%!test
%! for name = {"KX4410_SendAndRead", "KX4410_PID"}
%!   text = get_help_text (name{1});
%!   assert (! isempty (strfind (text, "4.096 ms")), name{1});
%!   assert (! isempty (strfind (text, "blocks the session")), name{1});
%! endfor

## MATLAB's ver reads the toolbox's name and its version from the first two
## lines of Contents.m.
%!test
%! lines = strsplit (fileread (file_in_loadpath ("Contents.m")), "\n");
%! assert (lines{1}, "% KX4410 Toolbox");
%! assert (! isempty (regexp (lines{2}, '^% Version \d+\.\d+\.\d+ \d\d-[A-Z][a-z][a-z]-\d{4}$')));

%!test
%! text = get_help_text ("Contents");
%! for k = 1:numel (names)
%!   assert (! isempty (regexp (text, ['^\s*' names{k} '\s+- '], "lineanchors")), names{k});
%! endfor

## Each help's example runs as it stands, on a board at power-on.
%!test
%! visible = get (0, "defaultfigurevisible");
%! set (0, "defaultfigurevisible", "off");
%! warning ("off", "Octave:gnuplot-graphics", "local");
%! unwind_protect
%!   for k = 1:numel (names)
%!     text = get_help_text (names{k});
%!     example = regexp (text, '\n\s*Example[^\n]*\n(.*?)\n\s*\n', "tokens", "once");
%!     assert (! isempty (example), names{k});
%!     kxsim ("reset");
%!     try
%!       evalc (example{1});
%!     catch err
%!       error ("the example of %s fails: %s", names{k}, err.message);
%!     end_try_catch
%!     close all;
%!   endfor
%! unwind_protect_cleanup
%!   set (0, "defaultfigurevisible", visible);
%! end_unwind_protect
