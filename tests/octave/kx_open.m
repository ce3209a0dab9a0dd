function kx_open ()
  % KX_OPEN  A simulated board at power-on with an open session, quietly
  % opened, and an empty log.
  kxsim ("reset");
  KX4410_InitDriverAndBoard (0);
  kxsim ("clearlog");
endfunction
