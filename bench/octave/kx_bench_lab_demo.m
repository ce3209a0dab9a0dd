## kx_bench_lab_demo (rounds)
##
## kx4410_lab_demo on the virtual clock, once a round: the board time its
## four runs cover over the wall time they take (the runs as the demo
## times them, each a single call; its printing and plot aside), and the
## whole call's wall time, plot included. Printed as rows of scripts/bench's
## table.
function kx_bench_lab_demo (rounds)
  png = [tempname() ".png"];
  ratio = zeros (rounds, 1);
  whole = zeros (rounds, 1);
  board = 0;
  for r = 1:rounds
    tic;
    evalc ("runs = kx4410_lab_demo (png, 'virtual');");
    whole(r) = toc;
    board = sum ([runs.board]);
    ratio(r) = board / sum ([runs.wall]);
  end
  delete (png);
  printf ("| Octave: kx4410_lab_demo's runs on the virtual clock, %.2f s of board time / their wall time | %.3g | %.3g - %.3g | >= 1000 |\n",
          board, median (ratio), min (ratio), max (ratio));
  printf ("| Octave: the whole kx4410_lab_demo call on the virtual clock, its plot included (s) | %.3g | %.3g - %.3g | reported |\n",
          median (whole), min (whole), max (whole));
  kxsim ("reset");
endfunction
