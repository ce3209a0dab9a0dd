function kx_interrupt_run (kind)
  % KX_INTERRUPT_RUN  One long call on the real clock, for a Ctrl-C from
  % outside to stop (kx_interrupt.py sends it). kind names the call:
  %   "pwm"      KX4410_SendPWM on DA 0, 5000 periods of 9 ms high for 8191 us
  %   "pwmrest"  KX4410_SendPWM on DA 0, 200 periods of 100 ms in rest chunks
  %   "pid"      KX4410_PID from AD 0 to DA 0 on the plant, 20000 steps of 1 ms
  % Each would run for 20 s or more. It prints, one line each:
  %   @@armed <kind> <wall clock> <board time>   just before the call
  %   @@stopped <kind> <board time> <DA 0 code> <result assigned: 0 or 1>
  %             <steps begun> <steps of the whole run>
  %   @@message <the identifier the call raised> <its message>
  %   @@readad <readings a following KX4410_ReadAD took>
  kx_open ();
  kxsim ("clock", "real");
  printf ("@@armed %s %.6f %.9f\n", kind, time (), kxsim ("now"));
  fflush (stdout);
  message = "";
  identifier = "";
  try
    switch (kind)
      case "pwm"
        natural = 5000;
        result = KX4410_SendPWM (0, 3071, 9, 8191, natural);
      case "pwmrest"
        natural = 200;
        result = KX4410_SendPWM (0, 3071, 100, 500, natural);
      case "pid"
        natural = 20000;
        [result, y, e, u] = KX4410_PID (0, 0, 0, 0, 2 * ones (1, natural), 1000, 3, 0.1, 0.002);
      otherwise
        error ("kx_interrupt_run: unknown kind %s", kind);
    endswitch
  catch err
    message = err.message;
    identifier = err.identifier;
  end_try_catch
  stopped = kxsim ("now");
  printf ("@@stopped %s %.9f %d %d %d %d\n", kind, stopped, kxsim ("da", 0),
          exist ("result", "var"), kx_interrupt_steps (kind), natural);
  printf ("@@message %s %s\n", identifier, message);
  readings = KX4410_ReadAD (2, 0, 0, 3);
  printf ("@@readad %d\n", numel (readings));
  fflush (stdout);
endfunction
