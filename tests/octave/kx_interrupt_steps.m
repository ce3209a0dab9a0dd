function steps = kx_interrupt_steps (kind)
  % KX_INTERRUPT_STEPS  The steps a run of kx_interrupt_run's kind began,
  % read from the board's log: a PWM run's periods by their high writes
  % (code 3071), a PID run's steps by their AD reads.
  L = kxsim ("log");
  if (strcmp (kind, "pid"))
    steps = sum (strcmp ({L.op}, "ReadAnalogIn"));
  else
    writes = L(strcmp ({L.op}, "WriteAnalogOut"));
    steps = sum (cellfun (@(args) args(2), {writes.args}) == 3071);
  endif
endfunction
