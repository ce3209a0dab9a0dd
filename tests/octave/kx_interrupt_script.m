## A user's script, run as
##   octave-cli kx_interrupt_script.m <toolbox folder> <kind> ...
## Each kind is one long call (kx_interrupt_run) that a SIGINT stops; the
## call's try/catch sees the interrupt message and the script goes on to
## the next one and to its end.
folders = argv ();
addpath (folders{1});
addpath (fileparts (mfilename ("fullpath")));
for k = 2:numel (folders)
  kx_interrupt_run (folders{k});
endfor
printf ("@@end\n");
