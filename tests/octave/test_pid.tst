## KX4410_PID in Octave: exactly four results, each a 1 x n double row.

%!test
%! kx_open ();
%! [t, y, e, u] = KX4410_PID (0, 0, 0, 0, [0 1 2], 0, 0, 0, 0);
%! for row = {t, y, e, u}
%!   assert (class (row{1}), "double");
%!   assert (size (row{1}), [1, 3]);
%! endfor
%! assert (u, [0, 0, 0]);
%! assert (e, [0 1 2] - y);
%! L = kxsim ("log");
%! writes = L(strcmp ({L.op}, "WriteAnalogOut"));
%! assert ({writes.args}, {[0, 2047], [0, 2047], [0, 2047]});

## A column reference gives rows as well, the same as the row reference.
%!test
%! kx_open ();
%! [t1, y1, e1, u1] = KX4410_PID (0, 0, 0, 0, [1 2 3 4], 10, 1, 0.1, 0.001);
%! kx_open ();
%! [t2, y2, e2, u2] = KX4410_PID (0, 0, 0, 0, [1; 2; 3; 4], 10, 1, 0.1, 0.001);
%! assert (size (t2), [1, 4]);
%! assert ({t2, y2, e2, u2}, {t1, y1, e1, u1});

## The call sequence of one step.
%!test
%! kx_open ();
%! [t, y, e, u] = KX4410_PID (1, 0, 0, 1, 0.5, 100, 2, 0, 0);
%! L = kxsim ("log");
%! assert ({L.op}, {"ConfigureAnalogIn", "GetActiveBoard", "GetBoardAddress", ...
%!                  "WriteTimerControl", "ReadTimerCounter", "ReadAnalogIn", ...
%!                  "WriteAnalogOut", "DelayMicros"});
%! assert (L(end).args, 100);
%! assert (L(end-1).args(1), 1);

%!test
%! kx_open ();
%! [t, y, e, u] = KX4410_PID (0, 0, 0, 0, zeros (1, 0), 0, 1, 1, 1);
%! assert ({size(t), size(y), size(e), size(u)}, {[1, 0], [1, 0], [1, 0], [1, 0]});
%! assert (numel (kxsim ("log")), 4);

%!test
%! msg = kx_message ("[t, y, e, u] = KX4410_PID (0, 0, 0, 0, 1, 0, 1, 1);");
%! assert (msg, ["KX4410_PID: This function needs:\n", ...
%!               "\tAD input channel (0-15)\n", ...
%!               "\tConfiguration code\n", ...
%!               "\tType of card (0-1)\n", ...
%!               "\tDA output channel (0-1)\n", ...
%!               "\tVector of reference signal (volts)\n", ...
%!               "\tSample period in microseconds\n", ...
%!               "\tP constant\n", ...
%!               "\tI constant\n", ...
%!               "\tD constant"]);

%!error <^KX4410_PID: This function yields four result values \(time samples, system output, error signal, and control signal\)!$> KX4410_PID (0, 0, 0, 0, 1, 0, 1, 1, 1)
%!error <^KX4410_PID: This function yields four result values \(> t = KX4410_PID (0, 0, 0, 0, 1, 0, 1, 1, 1)
%!error <^KX4410_PID: This function yields four result values \(> [t, y, e] = KX4410_PID (0, 0, 0, 0, 1, 0, 1, 1, 1)
%!error <^KX4410_PID: This function yields four result values \(> [t, y, e, u, v] = KX4410_PID (0, 0, 0, 0, 1, 0, 1, 1, 1)
%!error <^KX4410_PID: This function needs:\n\tAD input channel> [t, y, e, u] = KX4410_PID (0, 0, 0, 0, 1, 0, 1, 1, 1, 1)
%!error <^KX4410_PID: KX4410 input channel out of range!$> [t, y, e, u] = KX4410_PID (-1, 0, 0, 2, 1, 0, 1, 1, 1)
%!error <^KX4410_PID: KX4410 output channel out of range!$> [t, y, e, u] = KX4410_PID (0, 12, 0, 2, 1, 0, 1, 1, 1)
%!error <^KX4410_PID: KX4410 configuration code out of range!$> [t, y, e, u] = KX4410_PID (0, 12, 2, 0, 1, 0, 1, 1, 1)
%!error <^KX4410_PID: KX4410 card type out of range!$> [t, y, e, u] = KX4410_PID (0, 0, 2, 0, 1, -1, 1, 1, 1)
%!error <^KX4410_PID: KX4410 sample period out of range!$> [t, y, e, u] = KX4410_PID (0, 0, 0, 0, ones (2), 8192, 1, 1, 1)
%!error <^KX4410_PID: KX4410 needs a vector array as reference!$> [t, y, e, u] = KX4410_PID (0, 0, 0, 0, ones (2), 0, 1, 1, 1)
%!error <^KX4410_PID: KX4410 argument is empty or not numeric!$> [t, y, e, u] = KX4410_PID (0, 0, 0, 0, 1, 0, 1, 1, [])
%!error <^KX4410_PID: KX4410 error in setting quantification window!$>
%! kxsim ("reset");
%! [t, y, e, u] = KX4410_PID (0, 0, 0, 0, 1, 0, 1, 1, 1);
%!error <^KX4410_PID: KX4410 error retrieving active board information!$>
%! kx_open ();
%! kxsim ("inject", "GetBoardAddress", 1, 19);
%! [t, y, e, u] = KX4410_PID (0, 0, 0, 0, 1, 0, 1, 1, 1);
%!error <^KX4410_PID: KX4410 error at reading AD!$>
%! kx_open ();
%! kxsim ("inject", "ReadAnalogIn", 2, 9);
%! [t, y, e, u] = KX4410_PID (0, 0, 0, 0, [1 2], 0, 1, 1, 1);
%!error <^KX4410_PID: KX4410 error at DA sending!$>
%! kx_open ();
%! kxsim ("inject", "WriteAnalogOut", 1, 16);
%! [t, y, e, u] = KX4410_PID (0, 0, 0, 0, 1, 0, 1, 1, 1);

%!test
%! kx_untouched ({"KX4410_PID (0, 0, 0, 0, 1, 0, 1, 1, 1);", ...
%!                "[t, y, e] = KX4410_PID (0, 0, 0, 0, 1, 0, 1, 1, 1);", ...
%!                "[t, y, e, u] = KX4410_PID (0, 0, 0, 0, 1, 0, 1, 1);", ...
%!                "[t, y, e, u] = KX4410_PID (16, 0, 0, 0, 1, 0, 1, 1, 1);", ...
%!                "[t, y, e, u] = KX4410_PID (0, 0, 0, 1.5, 1, 0, 1, 1, 1);", ...
%!                "[t, y, e, u] = KX4410_PID (0, 11.5, 0, 0, 1, 0, 1, 1, 1);", ...
%!                "[t, y, e, u] = KX4410_PID (0, 0, -1, 0, 1, 0, 1, 1, 1);", ...
%!                "[t, y, e, u] = KX4410_PID (0, 0, 0, 0, 1, 8191.5, 1, 1, 1);", ...
%!                "[t, y, e, u] = KX4410_PID (0, 0, 0, 0, ones (3, 2), 0, 1, 1, 1);"});
