## kx_bench_log (rounds)
##
## kxsim's log of 10^6 driver calls read into Octave: the compact form in
## every round, the struct array once, for scale (it takes seconds and
## about a gigabyte). Seconds by tic/toc, printed as rows of scripts/bench's
## table.
function kx_bench_log (rounds)
  kxsim ("reset");
  KX4410_InitDriverAndBoard (0);
  kxsim ("clearlog");
  v = KX4410_ReadAD (2, 0, 0, 999999);
  s = zeros (rounds, 1);
  for r = 1:rounds
    tic;
    C = kxsim ("log", "compact");
    s(r) = toc;
    clear C;
  end
  printf ("| Octave: kxsim('log', 'compact') of 10^6 calls (s) | %.3g | %.3g - %.3g | reported |\n",
          median (s), min (s), max (s));
  tic;
  L = kxsim ("log");
  printf ("| Octave: kxsim('log') of the same, the struct array, once (s) | %.3g | | reported |\n",
          toc);
  kxsim ("reset");
endfunction
