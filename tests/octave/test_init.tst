## KX4410_InitDriverAndBoard in Octave: what is printed, which results a
## call creates, and the messages as Octave shows them.

%!shared head, tail
%! head = ["\n          ----------------------------\n", ...
%!         "           KX4410 ToolBox for MatLab\n", ...
%!         "          ----------------------------\n"];
%! tail = ["               -------------------\n\n", ...
%!         "KX4410 Driver Initialized Ok! (1 board(s)).\n", ...
%!         "KX4410 Board #0 activated ok!\n", ...
%!         "KX4410 DLL version 1a0, Driver version 203.\n"];

## A statement prints the banner and the three progress lines, and leaves
## no ans behind: no result was asked for, so none is made.
%!test
%! kxsim ("reset");
%! clear ans;
%! out = evalc ("KX4410_InitDriverAndBoard");
%! assert (strncmp (out, head, numel (head)));
%! assert (out(end-numel (tail)+1:end), tail);
%! assert (numel (strfind (out, "\n")), 4 + 4 + 2 + 3);
%! assert (! exist ("ans", "var"));
%! assert (kx_ops (), {"OpenDriver", "ActivateBoard", "GetLibraryVersion", "GetDriverVersion"});

%!test
%! kxsim ("reset");
%! kxsim ("boards", 3);
%! out = evalc ("[status, boards] = KX4410_InitDriverAndBoard (0);");
%! assert (out, "");
%! assert (status, 0);
%! assert (boards, 3);
%! assert (class (status), "double");
%! assert (size (boards), [1, 1]);

## With one result only the status is made.
%!test
%! kxsim ("reset");
%! out = evalc ("status = KX4410_InitDriverAndBoard (-0);");
%! assert (out, "");
%! assert (status, 0);

## A failed open is printed, also when quiet, and comes back as the status.
%!test
%! kxsim ("reset");
%! kxsim ("boards", 0);
%! out = evalc ("[status, boards] = KX4410_InitDriverAndBoard (0);");
%! assert (out, "KX4410 Driver Error at Initialization (11).\n");
%! assert ([status, boards], [11, 0]);
%! assert (KX4410_ErrorText (status), "FindBoardError");
%! assert (kx_ops (), {"OpenDriver"});

## All 16 bits of the status word, unsigned.
%!test
%! kxsim ("reset");
%! kxsim ("inject", "OpenDriver", 1, 65535);
%! out = evalc ("status = KX4410_InitDriverAndBoard (0);");
%! assert (out, "KX4410 Driver Error at Initialization (65535).\n");
%! assert (status, 65535);

## A failed activation raises after the driver-initialized line; the
## driver stays open and no version is asked for.
%!test
%! kxsim ("reset");
%! kxsim ("inject", "ActivateBoard", 1, 19);
%! out = evalc ("msg = kx_message ('KX4410_InitDriverAndBoard (1);');");
%! assert (msg, "KX4410_InitDriverAndBoard: KX4410 Board #0 could not be activated.");
%! assert (out(end-numel ("KX4410 Driver Initialized Ok! (1 board(s)).\n")+1:end),
%!         "KX4410 Driver Initialized Ok! (1 board(s)).\n");
%! L = kxsim ("log");
%! assert ({L.op}, {"OpenDriver", "ActivateBoard"});
%! assert (L(2).args, 0);

%!error <^KX4410_InitDriverAndBoard: This function yields at most two result values!$> [a, b, c] = KX4410_InitDriverAndBoard (0)
%!error <^KX4410_InitDriverAndBoard: This function yields at most two result values!$> [a, b, c] = KX4410_InitDriverAndBoard (0, 1)
%!error <^KX4410_InitDriverAndBoard: This function only has an \[optional\] argument!$> KX4410_InitDriverAndBoard (0, 1)
%!error <^KX4410_InitDriverAndBoard: KX4410 Board #0 could not be activated\.$>
%! kxsim ("reset");
%! kxsim ("inject", "ActivateBoard", 1, 19);
%! KX4410_InitDriverAndBoard (0)
%!error <^KX4410_InitDriverAndBoard: KX4410 argument is empty or not numeric!$> KX4410_InitDriverAndBoard ("quiet")
%!error <^KX4410_InitDriverAndBoard: KX4410 argument is empty or not numeric!$> KX4410_InitDriverAndBoard ([])

## Octave's own integer and logical classes are read as numbers.
%!test
%! kxsim ("reset");
%! assert (evalc ("KX4410_InitDriverAndBoard (false);"), "");
%! assert (evalc ("KX4410_InitDriverAndBoard (int8 (0));"), "");
%! assert (numel (evalc ("KX4410_InitDriverAndBoard (single (0.25));")) > 0);

## Refused calls print nothing and call no driver operation.
%!test
%! kxsim ("reset");
%! assert (evalc ("kx_message ('[a, b, c] = KX4410_InitDriverAndBoard;');"), "");
%! assert (evalc ("kx_message ('KX4410_InitDriverAndBoard (1, 1);');"), "");
%! assert (isempty (kxsim ("log")));
