## KX4410_Delay in Octave: a statement without result, one driver wait.

%!test
%! kx_open ();
%! clear ans;
%! t0 = kxsim ("now");
%! KX4410_Delay (8191)
%! assert (! exist ("ans", "var"));
%! L = kxsim ("log");
%! assert ({L.op}, {"DelayMicros"});
%! assert (L(1).args, 8191);
%! assert (kxsim ("now") - t0, 8191e-6, 1e-12);

## Truncated toward zero; integer classes read as their numbers.
%!test
%! kx_open ();
%! KX4410_Delay (2.9);
%! KX4410_Delay (-0.5);
%! KX4410_Delay (int16 (40));
%! L = kxsim ("log");
%! assert ([L.args], [2, 0, 40]);

## A negative wait reaches the driver, which refuses it.
%!error <^KX4410_Delay: KX4410 error at delaying!$>
%! kx_open ();
%! KX4410_Delay (-1)
%!error <^KX4410_Delay: KX4410 error at delaying!$>
%! kxsim ("reset");
%! KX4410_Delay (10)
%!error <^KX4410_Delay: This function does not yield any result value!$> x = KX4410_Delay (10)
%!error <^KX4410_Delay: This function needs the number of 1 microsecond units to wait!$> KX4410_Delay ()
%!error <^KX4410_Delay: This function needs the number of 1 microsecond units to wait!$> KX4410_Delay (1, 2)
%!error <^KX4410_Delay: KX4410 cannot delay more than 8191 microsecs\. units!$> KX4410_Delay (8191.5)
%!error <^KX4410_Delay: KX4410 argument is empty or not numeric!$> KX4410_Delay ("10")

%!test
%! kx_untouched ({"x = KX4410_Delay (10);", "KX4410_Delay ();", "KX4410_Delay (8192);", ...
%!                "KX4410_Delay (Inf);", "KX4410_Delay ([]);"});
