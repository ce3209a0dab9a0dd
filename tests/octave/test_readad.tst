## KX4410_ReadAD in Octave: a 1 x n double row, only with a result.

%!test
%! kx_open ();
%! kxsim ("level", 2, 1.25);
%! v = KX4410_ReadAD (2, 0, 0, 4);
%! assert (class (v), "double");
%! assert (size (v), [1, 4]);
%! assert (v, 1.25 * ones (1, 4), 20 / 4095);
%! v = KX4410_ReadAD (2, 0, 1);
%! assert (size (v), [1, 1]);

## The readings are the driver's floats, widened exactly.
%!test
%! kx_open ();
%! kxsim ("ad", 3, [0.1, -2.5]);
%! v = KX4410_ReadAD (3, 0, 0, 2);
%! assert (v, double (single ([0.1, -2.5])));

## The call sequence: configure once, then each reading and its wait.
%!test
%! kx_open ();
%! v = KX4410_ReadAD (5, 16, 1, 3, 100);
%! L = kxsim ("log");
%! assert ({L.op}, {"ConfigureAnalogIn", "ReadAnalogIn", "DelayMicros", ...
%!                  "ReadAnalogIn", "DelayMicros", "ReadAnalogIn", "DelayMicros"});
%! assert ({L.args}, {[5, 16], zeros(1, 0), 100, zeros(1, 0), 100, zeros(1, 0), 100});

## In an expression the call has its result; as a statement it has none.
%!test
%! kx_open ();
%! kxsim ("level", 4, 2);
%! assert (evalc ("printf ('%.2f\\n', KX4410_ReadAD (4, 0, 0))"), "2.00\n");

## A failing read: the error reaches Octave and the result does not.
%!test
%! kx_open ();
%! kxsim ("inject", "ReadAnalogIn", 2, 9);
%! v = "before";
%! msg = kx_message ("v = KX4410_ReadAD (0, 0, 0, 3);");
%! assert (msg, "KX4410_ReadAD: KX4410 error at reading AD!");
%! assert (v, "before");
%! assert (kx_ops (), {"ConfigureAnalogIn", "ReadAnalogIn", "ReadAnalogIn"});

## The argument list ends in a line feed, which Octave drops.
%!test
%! msg = kx_message ("v = KX4410_ReadAD (1, 2);");
%! assert (msg, ["KX4410_ReadAD: This function needs: \n", ...
%!               "\tAD input channel number (0-15)\n", ...
%!               "\tconfiguration code\n", ...
%!               "\ttype of card (0-1)\n", ...
%!               "\t[optional] number of reads\n", ...
%!               "\t[optional] delay interreads (microseconds, maximum 8191)"]);
%! assert (kx_message ("v = KX4410_ReadAD (1, 2, 3, 4, 5, 6);"), msg);

## A count whose row this machine cannot hold (half its memory) is refused
## before the driver is touched: 2^40 readings take 8 TiB, more than any
## machine here holds. 2^61, 2^62 and 3 x 2^61 once crashed Octave: its row
## creation wrapped their bytes to 0.
%!test
%! [~, maxsize] = computer ();
%! longest = (maxsize + 1) / 16;
%! for n = [2^40, 2^61, 2^62, 3 * 2^61, 2 * longest, longest + max(1, longest * eps)]
%!   kx_open ();
%!   v = "before";
%!   try
%!     v = KX4410_ReadAD (2, 0, 0, n);
%!     error ("not raised");
%!   catch err
%!     assert (err.message, "KX4410_ReadAD: KX4410 cannot read that number of data!");
%!     assert (err.identifier, "KX4410:ReadAD:readCount");
%!   end_try_catch
%!   assert (v, "before");
%!   assert (isempty (kxsim ("log")));
%! endfor
%! ## 2^20 readings (8 MiB) pass the count test on any machine; the failing
%! ## configuration ends the call.
%! kx_open ();
%! kxsim ("inject", "ConfigureAnalogIn", 1, 5);
%! msg = kx_message ("v = KX4410_ReadAD (2, 0, 0, 2^20);");
%! assert (msg, "KX4410_ReadAD: KX4410 error in setting quantification window!");
%! assert (kx_ops (), {"ConfigureAnalogIn"});

%!error <^KX4410_ReadAD: This function yields one result value!$> KX4410_ReadAD (0, 0, 0)
%!error <^KX4410_ReadAD: This function yields one result value!$> [a, b] = KX4410_ReadAD (0, 0, 0)
%!error <^KX4410_ReadAD: This function needs: \n\tAD input channel number> v = KX4410_ReadAD (0, 0)
%!error <^KX4410_ReadAD: KX4410 AD channels range from #0 to #15!$> v = KX4410_ReadAD (16, 0, 0)
%!error <^KX4410_ReadAD: KX4410 configuration code invalid!$> v = KX4410_ReadAD (0, 12, 0)
%!error <^KX4410_ReadAD: KX4410 types of card can be only 0 or 1!$> v = KX4410_ReadAD (0, 0, 0.5)
%!error <^KX4410_ReadAD: KX4410 cannot read that number of data!$> v = KX4410_ReadAD (0, 0, 0, 0)
%!error <^KX4410_ReadAD: KX4410 cannot delay that number!$> v = KX4410_ReadAD (0, 0, 0, 1, 8192)
%!error <^KX4410_ReadAD: KX4410 argument is empty or not numeric!$> v = KX4410_ReadAD ("0", 0, 0)
%!error <^KX4410_ReadAD: KX4410 error in setting quantification window!$>
%! kx_open ();
%! kxsim ("inject", "ConfigureAnalogIn", 1, 5);
%! v = KX4410_ReadAD (0, 0, 0);
%!error <^KX4410_ReadAD: KX4410 error at delaying!$>
%! kx_open ();
%! kxsim ("inject", "DelayMicros", 1, 14);
%! v = KX4410_ReadAD (0, 0, 0, 2, 10);

%!test
%! kx_untouched ({"KX4410_ReadAD (0, 0, 0);", "[a, b] = KX4410_ReadAD (0, 0, 0);", ...
%!                "v = KX4410_ReadAD (0, 0);", "v = KX4410_ReadAD (-1, 0, 0);", ...
%!                "v = KX4410_ReadAD (0, 15.5, 0);", "v = KX4410_ReadAD (0, 0, 2);", ...
%!                "v = KX4410_ReadAD (0, 0, 0, -2);", "v = KX4410_ReadAD (0, 0, 0, 1, -1);", ...
%!                "v = KX4410_ReadAD ([], 0, 0);"});
