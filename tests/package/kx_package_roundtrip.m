function kx_package_roundtrip (step, scratch, tarball)
  % KX_PACKAGE_ROUNDTRIP  One step of the Octave package's round trip, each
  % in a fresh Octave session, with pkg's prefix and package lists in the
  % scratch folder so that nothing reaches the user's own Octave:
  %   kx_package_roundtrip ("install", scratch, tarball)
  %   kx_package_roundtrip ("use", scratch, tarball)
  %   kx_package_roundtrip ("uninstall", scratch, tarball)
  % Any failure raises an error, which ends octave-cli with status 1.
  prefix = fullfile (scratch, "packages");
  pkg ("prefix", prefix, prefix);
  pkg ("local_list", fullfile (scratch, "octave_packages"));
  pkg ("global_list", fullfile (scratch, "global_packages"));
  [~, name] = fileparts (tarball);            % kx4410-<version>.tar
  version = regexp (name, '^kx4410-(.*)\.tar$', "tokens", "once"){1};
  switch (step)
    case "install"
      install (tarball, prefix);
    case "use"
      use (version, prefix);
    case "uninstall"
      uninstall (prefix);
    otherwise
      error ("unknown step %s", step);
  endswitch
endfunction

function install (tarball, prefix)
  t0 = tic ();
  pkg ("install", "-local", tarball);
  printf ("pkg install: %.1f s\n", toc (t0));
  list = pkg ("list");
  assert (numel (list), 1);
  assert (list{1}.name, "kx4410");
  assert (strncmp (list{1}.dir, prefix, numel (prefix)));
endfunction

function use (version, prefix)
  pkg ("load", "kx4410");
  % The plug-ins run from the package, beside their driver.
  for name = {"KX4410_InitDriverAndBoard", "KX4410_ReadAD", "KX4410_PID", "kxsim"}
    assert (exist (name{1}), 3, name{1});
    assert (strncmp (which (name{1}), prefix, numel (prefix)), name{1});
  endfor

  % ver: the version of the package's DESCRIPTION, the one Contents.m has.
  v = ver ("kx4410");
  assert (v.Version, version);
  % "kx4410 *|   <version> | <folder>": the star marks a loaded package.
  listed = evalc ("ver");
  row = ['\n\s*kx4410 \*\|\s*' regexptranslate("escape", version) ' \|'];
  assert (! isempty (regexp (listed, row)), listed);
  contents = strsplit (fileread (file_in_loadpath ("Contents.m")), "\n");
  assert (contents{1}, "% KX4410 Toolbox");
  assert (contents{2}, ["% Version " version " " datestr(datenum (v.Date, "yyyy-mm-dd"), 1)]);

  help_text = evalc ("help KX4410_PID");
  assert (! isempty (strfind (help_text, "KX4410_PID  A PID control loop through the KX4410 board.")));
  assert (! isempty (strfind (help_text, "KX4410:PID:readFailed")));

  set (0, "defaultfigurevisible", "off");
  warning ("off", "Octave:gnuplot-graphics");
  shown = evalc ("demo KX4410_PID");
  assert (isempty (strfind (shown, "failed")), shown);
  assert (! isempty (regexp (shown, 'output 2\.0\d\d V after')), shown);
  close all;
  shown = evalc ("demo kx4410_lab_demo");
  assert (isempty (strfind (shown, "failed")), shown);
  assert (! isempty (strfind (shown, "overshoot:                0.73 %\n")), shown);
  assert (exist (fullfile (tempdir (), "kx4410_lab.png"), "file"), 2);

  for name = {"KX4410_InitDriverAndBoard", "KX4410_ErrorText", "KX4410_ReadAD", "KX4410_PID"}
    [passed, total] = test (name{1});
    assert (total > 0 && passed == total, sprintf ("test %s: %d of %d", name{1}, passed, total));
  endfor
  summary = evalc ("pkg test kx4410");
  counts = regexp (summary, 'PASS\s+(\d+)\s+FAIL\s+(\d+)', "tokens", "once");
  assert (! isempty (counts), summary);
  assert (str2double (counts{1}) > 0 && str2double (counts{2}) == 0, summary);
  printf ("pkg test kx4410: %s passed, %s failed\n", counts{:});
endfunction

function uninstall (prefix)
  pkg ("uninstall", "-local", "kx4410");
  assert (isempty (pkg ("list")));
  assert (isempty (glob (fullfile (prefix, "kx4410-*"))));
endfunction
