function kx_run_tests (toolbox, varargin)
  % KX_RUN_TESTS  Runs Octave test files against a toolbox folder.
  %   kx_run_tests (toolbox, file, ...) adds toolbox to the path, runs the
  %   test blocks of each file and exits Octave with status 1 when any test
  %   failed or a file held no test, 0 otherwise. Octave's own test() only
  %   reports failures, it does not end in an error.
  addpath (toolbox);
  failed = 0;
  for k = 1:numel (varargin)
    file = varargin{k};
    [passed, total, xfail, xbug] = test (file, "quiet", stdout);
    if (total == 0)
      printf ("%s: no tests\n", file);
      failed += 1;
    endif
    failed += total - passed - xfail - xbug;
    printf ("%s: %d of %d tests passed\n", file, passed, total);
  endfor
  exit (failed > 0);
endfunction
