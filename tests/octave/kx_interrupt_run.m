function kx_interrupt_run (kind)
  % KX_INTERRUPT_RUN  One long call on the real clock, for a Ctrl-C from
  % outside to stop (kx_interrupt.py sends it). kind names the call:
  %   "pwm"      KX4410_SendPWM on DA 0, 9 ms periods high for 8191 us
  %   "pwmrest"  KX4410_SendPWM on DA 0, 100 ms periods in rest chunks
  %   "pid"      KX4410_PID from AD 0 to DA 0 on the plant, 1 ms steps
  % Each would run for 20 s or more. It prints, one line each:
  %   @@armed <kind> <wall clock> <board time>   just before the call
  %   @@stopped <kind> <board time> <DA 0 code> <result assigned: 0 or 1>
  %   @@message <the message the call raised>
  %   @@readad <readings a following KX4410_ReadAD took>
  kx_open ();
  kxsim ("clock", "real");
  printf ("@@armed %s %.6f %.9f\n", kind, time (), kxsim ("now"));
  fflush (stdout);
  message = "";
  try
    switch (kind)
      case "pwm"
        result = KX4410_SendPWM (0, 3071, 9, 8191, 5000);
      case "pwmrest"
        result = KX4410_SendPWM (0, 3071, 100, 500, 200);
      case "pid"
        [result, y, e, u] = KX4410_PID (0, 0, 0, 0, 2 * ones (1, 20000), 1000, 3, 0.1, 0.002);
      otherwise
        error ("kx_interrupt_run: unknown kind %s", kind);
    endswitch
  catch err
    message = err.message;
  end_try_catch
  stopped = kxsim ("now");
  printf ("@@stopped %s %.9f %d %d\n", kind, stopped, kxsim ("da", 0), exist ("result", "var"));
  printf ("@@message %s\n", message);
  readings = KX4410_ReadAD (2, 0, 0, 3);
  printf ("@@readad %d\n", numel (readings));
  fflush (stdout);
endfunction
