## KX4410_CloseDriverAndBoard in Octave: a statement that prints its line.

%!test
%! kx_open ();
%! clear ans;
%! out = evalc ("KX4410_CloseDriverAndBoard");
%! assert (out, "KX4410 Board #0 Deactivated and Driver Closed.\n");
%! assert (! exist ("ans", "var"));
%! L = kxsim ("log");
%! assert ({L.op}, {"CloseDriver"});
%! assert (size (L(1).args), [1, 0]);
%! assert (L(1).result, 0);

## Without a session the driver answers 1; the line is printed all the same.
%!test
%! kxsim ("reset");
%! out = evalc ("KX4410_CloseDriverAndBoard;");
%! assert (out, "KX4410 Board #0 Deactivated and Driver Closed.\n");
%! L = kxsim ("log");
%! assert ([numel(L), L.result], [1, 1]);

## The session is over: the next read fails in the driver.
%!error <^KX4410_ReadAD: KX4410 error in setting quantification window!$>
%! kx_open ();
%! evalc ("KX4410_CloseDriverAndBoard;");
%! v = KX4410_ReadAD (0, 0, 0);

%!error <^KX4410_CloseDriverAndBoard: This function does not yield any result value!$> x = KX4410_CloseDriverAndBoard ()
%!error <^KX4410_CloseDriverAndBoard: This function does not yield any result value!$> x = KX4410_CloseDriverAndBoard (1)
%!error <^KX4410_CloseDriverAndBoard: This function does not need any argument!$> KX4410_CloseDriverAndBoard ([])

## Refused calls print nothing and leave the driver open.
%!test
%! kx_untouched ({"x = KX4410_CloseDriverAndBoard;", "disp (KX4410_CloseDriverAndBoard)", ...
%!                "KX4410_CloseDriverAndBoard (0);"});
%! kx_open ();
%! assert (evalc ("kx_message ('KX4410_CloseDriverAndBoard ([]);');"), "");
%! v = KX4410_ReadAD (0, 0, 0);
