## KX4410_SendDA in Octave: the done result, row and column vectors alike.

%!test
%! kx_open ();
%! done = KX4410_SendDA (0, 100);
%! assert (done, 0);
%! assert (class (done), "double");
%! assert (size (done), [1, 1]);
%! assert (kxsim ("da", 0), 100);
%! L = kxsim ("log");
%! assert ({L.op}, {"WriteAnalogOut"});
%! assert (L(1).args, [0, 100]);

## A row and a column of codes are written alike; the second argument is
## not looked at.
%!test
%! kx_open ();
%! done = KX4410_SendDA (1, -500, [0 4095 2047]);
%! row = kxsim ("log");
%! kx_open ();
%! done = KX4410_SendDA (1, -500, [0; 4095; 2047]);
%! column = kxsim ("log");
%! assert ({column.args}, {row.args});
%! assert ({row.args}, {[1, 0], [1, 4095], [1, 2047]});
%! assert (kxsim ("da", 1), 2047);

%!test
%! kx_open ();
%! done = KX4410_SendDA (0, 0, [10 20 30], 10);
%! L = kxsim ("log");
%! assert ({L.op}, {"WriteAnalogOut", "DelayMicros", "WriteAnalogOut", "DelayMicros", ...
%!                  "WriteAnalogOut", "DelayMicros"});
%! assert ([L([2 4 6]).args], [10, 10, 10]);

## An empty vector writes nothing and is done.
%!test
%! kx_open ();
%! assert (KX4410_SendDA (0, 0, zeros (1, 0)), 0);
%! assert (KX4410_SendDA (0, 0, zeros (0, 1)), 0);
%! assert (isempty (kxsim ("log")));

## Octave's integer and logical classes carry their numbers.
%!test
%! kx_open ();
%! done = KX4410_SendDA (true, uint16 (300));
%! done = KX4410_SendDA (int8 (0), 0, int16 ([5 6]));
%! assert ([kxsim("da", 1), kxsim("da", 0)], [300, 6]);

## A failing second write: the first code stays out, no result arrives.
%!test
%! kx_open ();
%! kxsim ("inject", "WriteAnalogOut", 2, 16);
%! done = "before";
%! msg = kx_message ("done = KX4410_SendDA (1, 0, [1000 2000 3000]);");
%! assert (msg, "KX4410_SendDA: KX4410 error at DA sending!");
%! assert (done, "before");
%! assert (kxsim ("da", 1), 1000);

%!test
%! msg = kx_message ("done = KX4410_SendDA (1);");
%! assert (msg, ["KX4410_SendDA: This function needs:\n", ...
%!               "\tThe DA output channel number (0-1)\n", ...
%!               "\tThe value to send if only one, any value otherwise (0 to 4095)\n", ...
%!               "\t[optional] The vector to send if more than one\n", ...
%!               "\t[optional] Delay between sendings in microseconds (max. 8191)"]);

%!error <^KX4410_SendDA: This function yields one result value!$> KX4410_SendDA (0, 100)
%!error <^KX4410_SendDA: This function yields one result value!$> [a, b] = KX4410_SendDA (0, 100)
%!error <^KX4410_SendDA: This function needs:\n\tThe DA output channel> done = KX4410_SendDA (0, 1, 2, 3, 4)
%!error <^KX4410_SendDA: KX4410 needs a vector array to send!$> done = KX4410_SendDA (5, 0, ones (2), -1)
%!error <^KX4410_SendDA: KX4410 cannot delay that value!$> done = KX4410_SendDA (5, 0, 1, -1)
%!error <^KX4410_SendDA: KX4410 has only DA channels #0 and #1!$> done = KX4410_SendDA (2, 0, zeros (1, 0))
%!error <^KX4410_SendDA: KX4410 DA channels only can output digital values from 0 to 4095!$> done = KX4410_SendDA (0, 0, [100 200 4096])
%!error <^KX4410_SendDA: KX4410 argument is empty or not numeric!$> done = KX4410_SendDA (0, "a")
%!error <^KX4410_SendDA: KX4410 error at delaying!$>
%! kx_open ();
%! kxsim ("inject", "DelayMicros", 1, 14);
%! done = KX4410_SendDA (0, 0, [1 2], 5);

%!test
%! kx_untouched ({"KX4410_SendDA (0, 100);", "done = KX4410_SendDA (0);", ...
%!                "done = KX4410_SendDA (0, 0, ones (3, 2));", ...
%!                "done = KX4410_SendDA (0, 0, 1, 8192);", "done = KX4410_SendDA (0.5, 1);", ...
%!                "done = KX4410_SendDA (0, 0, [100 200 4096]);", "done = KX4410_SendDA (0, -0.5);"});
