## kx_bench_calls (rounds, blocks, calls)
##
## The time of one call of KX4410_ReadAD and of KX4410_PID in this Octave,
## each with one reading or step on the simulated board, against
## kxbench_empty, an empty MEX file built in the same run: called with the
## same arguments and results, and called with none and one scalar result.
## Every round times blocks of calls of each measure in turn, in an order
## that turns with the block, and takes each measure's median block: load
## that comes and goes falls on all of them alike. Blocks are timed by the
## process's CPU time, which leaves out the time Octave waited for a
## processor on a loaded machine, and by tic/toc. Prints the ratios' median
## and spread over the rounds as rows of scripts/bench's table.
function kx_bench_calls (rounds, blocks, calls)
  kxsim ("reset");
  kxsim ("logging", 0);
  KX4410_InitDriverAndBoard (0);
  t = zeros (rounds, 5);
  w = zeros (rounds, 5);
  for r = 1:rounds
    b = zeros (blocks, 5);
    c = zeros (blocks, 5);
    for k = 1:blocks
      for m = circshift (1:5, k + r)
        [b(k, m), c(k, m)] = block (m, calls);
      end
    end
    t(r, :) = median (b, 1) / calls;
    w(r, :) = median (c, 1) / calls;
  end
  row ("ReadAD per call in Octave / empty MEX, same 5 arguments and 1 x 1 result (CPU time)",
       t(:, 1) ./ t(:, 2), "<= 1.15");
  row ("PID per call in Octave / empty MEX, same 9 arguments and four 1 x 1 results (CPU time)",
       t(:, 3) ./ t(:, 4), "<= 1.15");
  row ("ReadAD per call in Octave / empty MEX, same arguments and result (tic/toc)",
       w(:, 1) ./ w(:, 2), "<= 1.15");
  row ("PID per call in Octave / empty MEX, same arguments and results (tic/toc)",
       w(:, 3) ./ w(:, 4), "<= 1.15");
  row ("ReadAD per call in Octave / empty MEX with no argument and one scalar result",
       t(:, 1) ./ t(:, 5), "reported");
  row ("PID per call in Octave / empty MEX with no argument and one scalar result",
       t(:, 3) ./ t(:, 5), "reported");
  us = median (t, 1) * 1e6;
  printf (["| Octave, CPU us per call (medians): ReadAD %.2f, PID %.2f; empty MEX with", ...
           " their arguments %.2f, %.2f; with none %.2f | | | reported |\n"], us([1 3 2 4 5]));
endfunction

## CPU seconds and seconds for n calls of measure m.
function [cpu, s] = block (m, n)
  start = cputime ();
  tic;
  switch (m)
    case 1
      for i = 1:n; v = KX4410_ReadAD (2, 0, 0, 1, 0); end
    case 2
      for i = 1:n; v = kxbench_empty (2, 0, 0, 1, 0); end
    case 3
      for i = 1:n
        [a, b, c, d] = KX4410_PID (0, 0, 0, 0, 2, 0, 20, 0.2, 0.001);
      end
    case 4
      for i = 1:n
        [a, b, c, d] = kxbench_empty (0, 0, 0, 0, 2, 0, 20, 0.2, 0.001);
      end
    case 5
      for i = 1:n; v = kxbench_empty (); end
  end
  s = toc;
  cpu = cputime () - start;
endfunction

function row (measure, ratios, goal)
  printf ("| %s | %.3g | %.3g - %.3g | %s |\n", measure, median (ratios), min (ratios),
          max (ratios), goal);
endfunction
