## KX4410_SendPWM in Octave: the done result and the wave's driver calls.

%!test
%! kx_open ();
%! done = KX4410_SendPWM (1, 3071, 1, 0, 1);
%! assert (done, 0);
%! assert (size (done), [1, 1]);
%! L = kxsim ("log");
%! assert ({L.op}, {"WriteAnalogOut", "DelayMicros", "WriteAnalogOut", "DelayMicros"});
%! assert ({L.args}, {[1, 3071], 0, [1, 2047], 1000});
%! assert (kxsim ("da", 1), 2047);

## The rest of a 17 ms period in waits that each fit the driver.
%!test
%! kx_open ();
%! done = KX4410_SendPWM (0, 4095, 17, 500, 2.5);
%! L = kxsim ("log");
%! waits = [L(strcmp ({L.op}, "DelayMicros")).args];
%! assert (waits, repmat ([500, 8000, 8000, 500], 1, 3));

## A failing duty-cycle wait leaves the high level on the output.
%!test
%! kx_open ();
%! kxsim ("inject", "DelayMicros", 1, 14);
%! msg = kx_message ("done = KX4410_SendPWM (0, 3500, 2, 100, 3);");
%! assert (msg, "KX4410_SendPWM: KX4410 error at delaying duty cycle!");
%! assert (kxsim ("da", 0), 3500);

%!test
%! msg = kx_message ("done = KX4410_SendPWM (0, 1, 2, 3);");
%! assert (msg, ["KX4410_SendPWM: This function needs:\n", ...
%!               "\tThe DA output channel number (0-1)\n", ...
%!               "\tThe positive value of the wave (0 to 4095)\n", ...
%!               "\tPeriod of the wave in MILLISECONDS\n", ...
%!               "\tDuty cycle in MICROSECONDS (max. 8191)\n", ...
%!               "\tNumber of periods to generate."]);

%!error <^KX4410_SendPWM: This function yields one result value!$> KX4410_SendPWM (1, 3071, 1, 0, 1)
%!error <^KX4410_SendPWM: This function yields one result value!$> [a, b] = KX4410_SendPWM (1, 3071, 1, 0, 1)
%!error <^KX4410_SendPWM: This function needs:\n\tThe DA output channel> done = KX4410_SendPWM (1, 3071, 1, 0, 1, 1)
%!error <^KX4410_SendPWM: KX4410 has only DA channels #0 and #1!$> done = KX4410_SendPWM (2, -1, 1, 0, 1)
%!error <^KX4410_SendPWM: KX4410 can only output digital amplitudes within 0-4095!$> done = KX4410_SendPWM (0, 4095.5, 1, 0, 1)
%!error <^KX4410_SendPWM: KX4410 can only measure periods greater than 0 milliseconds!$> done = KX4410_SendPWM (0, 1, 0.9, 9000, 1)
%!error <^KX4410_SendPWM: KX4410 can only measure duty cycles between 0-8191 microseconds!$> done = KX4410_SendPWM (0, 1, 10, 8192, 1)
%!error <^KX4410_SendPWM: KX4410 can only generate PWM of some length!$> done = KX4410_SendPWM (0, 1, 1, 1000, 0)
%!error <^KX4410_SendPWM: KX4410 does not generate PWM with duty cycle greater or equal than the period!$> done = KX4410_SendPWM (0, 1, 1, 1000, 1)
%!error <^KX4410_SendPWM: KX4410 argument is empty or not numeric!$> done = KX4410_SendPWM (0, 1, 1, [], 1)
%!error <^KX4410_SendPWM: KX4410 error at DA sending!$>
%! kx_open ();
%! kxsim ("inject", "WriteAnalogOut", 2, 16);
%! done = KX4410_SendPWM (0, 1, 1, 10, 1);
%!error <^KX4410_SendPWM: KX4410 error at delaying rest of cycle!$>
%! kx_open ();
%! kxsim ("inject", "DelayMicros", 2, 14);
%! done = KX4410_SendPWM (0, 1, 1, 10, 1);

%!test
%! kx_untouched ({"KX4410_SendPWM (1, 3071, 1, 0, 1);", "done = KX4410_SendPWM (1, 3071, 1, 0);", ...
%!                "done = KX4410_SendPWM (0.5, 1, 1, 0, 1);", "done = KX4410_SendPWM (0, -1, 1, 0, 1);", ...
%!                "done = KX4410_SendPWM (0, 1, 0, 0, 1);", "done = KX4410_SendPWM (0, 1, 1, -1, 1);", ...
%!                "done = KX4410_SendPWM (0, 1, 1, 0, -1);", "done = KX4410_SendPWM (0, 1, 1, 999.9 + 1, 1);"});
