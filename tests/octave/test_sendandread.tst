## KX4410_SendAndRead in Octave: one 1 x 2n row of readings and times.

## Through the DA 1 -> AD 1 loopback each reading is the code just written.
%!test
%! kx_open ();
%! codes = [1024 3071 2047];
%! r = KX4410_SendAndRead (1, 0, 0, 1, codes, 0);
%! assert (class (r), "double");
%! assert (size (r), [1, 6]);
%! assert (r(1:3), codes / 204.75 - 10, 20 / 4095);
%! assert (all (diff ([0, r(4:6)]) > 0));

## A column of codes gives the same row as the row of codes.
%!test
%! kx_open ();
%! row = KX4410_SendAndRead (1, 0, 0, 1, [100 200 300 400], 10);
%! kx_open ();
%! column = KX4410_SendAndRead (1, 0, 0, 1, [100; 200; 300; 400], 10);
%! assert (size (column), [1, 8]);
%! assert (column, row);

## The call sequence of two steps with a wait.
%!test
%! kx_open ();
%! r = KX4410_SendAndRead (0, 3, 1, 0, [2047 2500], 10);
%! L = kxsim ("log");
%! step = {"WriteAnalogOut", "ReadAnalogIn", "ReadTimerCounter", "DelayMicros"};
%! assert ({L.op}, [{"ConfigureAnalogIn", "GetActiveBoard", "GetBoardAddress", ...
%!                   "WriteTimerControl"}, step, step]);
%! address = L(4).args(1);
%! assert ({L.args}, {[0, 3], zeros(1, 0), 0, [address, 2, 182, 0], ...
%!                    [0, 2047], zeros(1, 0), [address, 2, 128], 10, ...
%!                    [0, 2500], zeros(1, 0), [address, 2, 128], 10});

## No codes: the channel is configured and the timer started all the same.
%!test
%! kx_open ();
%! r = KX4410_SendAndRead (0, 0, 0, 0, zeros (1, 0), 0);
%! assert (size (r), [1, 0]);
%! assert (kx_ops (), {"ConfigureAnalogIn", "GetActiveBoard", "GetBoardAddress", ...
%!                     "WriteTimerControl"});

%!test
%! msg = kx_message ("r = KX4410_SendAndRead (0, 0, 0, 0, 1);");
%! assert (msg, ["KX4410_SendAndRead: This function needs:\n", ...
%!               "\tAD input channel (0-15)\n", ...
%!               "\tConfiguration code\n", ...
%!               "\tType of card (0-1)\n", ...
%!               "\tDA output channel (0-1)\n", ...
%!               "\tVector to send [0..4095]\n", ...
%!               "\tDelay between sendings/readings in microseconds (max. 8191)"]);

%!error <^KX4410_SendAndRead: This function yields one result value!$> KX4410_SendAndRead (0, 0, 0, 0, 1, 0)
%!error <^KX4410_SendAndRead: This function yields one result value!$> [a, b] = KX4410_SendAndRead (0, 0, 0, 0, 1, 0)
%!error <^KX4410_SendAndRead: This function needs:\n\tAD input channel> r = KX4410_SendAndRead (0, 0, 0, 0, 1, 0, 0)
%!error <^KX4410_SendAndRead: KX4410 input channel out of range!$> r = KX4410_SendAndRead (16, 0, 0, 2, 1, 0)
%!error <^KX4410_SendAndRead: KX4410 output channel out of range!$> r = KX4410_SendAndRead (0, 12, 0, 1.5, 1, 0)
%!error <^KX4410_SendAndRead: KX4410 configuration code out of range!$> r = KX4410_SendAndRead (0, 12, 2, 1, 1, 0)
%!error <^KX4410_SendAndRead: KX4410 card type out of range!$> r = KX4410_SendAndRead (0, 0, 2, 1, 1, -1)
%!error <^KX4410_SendAndRead: KX4410 delay value out of range!$> r = KX4410_SendAndRead (0, 0, 0, 1, ones (2), 8192)
%!error <^KX4410_SendAndRead: KX4410 needs a vector array to send!$> r = KX4410_SendAndRead (0, 0, 0, 1, ones (2), 0)
%!error <^KX4410_SendAndRead: KX4410 DA channels only can output digital values from 0 to 4095!$> r = KX4410_SendAndRead (0, 0, 0, 1, [1 -0.1], 0)
%!error <^KX4410_SendAndRead: KX4410 argument is empty or not numeric!$> r = KX4410_SendAndRead (0, 0, 0, 1, "abc", 0)
%!error <^KX4410_SendAndRead: KX4410 error in setting quantification window!$>
%! kxsim ("reset");
%! r = KX4410_SendAndRead (0, 0, 0, 0, 1, 0);
%!error <^KX4410_SendAndRead: KX4410 error retrieving active board information!$>
%! kx_open ();
%! kxsim ("inject", "GetBoardAddress", 1, 19);
%! r = KX4410_SendAndRead (0, 0, 0, 0, 1, 0);
%!error <^KX4410_SendAndRead: KX4410 error at DA sending!$>
%! kx_open ();
%! kxsim ("inject", "WriteAnalogOut", 1, 16);
%! r = KX4410_SendAndRead (0, 0, 0, 0, 1, 0);
%!error <^KX4410_SendAndRead: KX4410 error at reading AD!$>
%! kx_open ();
%! kxsim ("inject", "ReadAnalogIn", 3, 9);
%! r = KX4410_SendAndRead (0, 0, 0, 0, [1 2 3], 0);

%!test
%! kx_untouched ({"KX4410_SendAndRead (0, 0, 0, 0, 1, 0);", ...
%!                "r = KX4410_SendAndRead (0, 0, 0, 0, 1);", ...
%!                "r = KX4410_SendAndRead (15.5, 0, 0, 0, 1, 0);", ...
%!                "r = KX4410_SendAndRead (0, 0, 0, -1, 1, 0);", ...
%!                "r = KX4410_SendAndRead (0, 28, 0, 0, 1, 0);", ...
%!                "r = KX4410_SendAndRead (0, 0, 1.5, 0, 1, 0);", ...
%!                "r = KX4410_SendAndRead (0, 0, 0, 0, 1, -1);", ...
%!                "r = KX4410_SendAndRead (0, 0, 0, 0, zeros (0, 0), 0);", ...
%!                "r = KX4410_SendAndRead (0, 0, 0, 0, [1; 4096], 0);"});
