## KX4410_ErrorText in Octave: a char row, only with a result, from any of
## Octave's numeric classes, with no driver call.

%!test
%! name = KX4410_ErrorText (25);
%! assert (class (name), "char");
%! assert (size (name), [1, 19]);
%! assert (name, "AllocateMemoryError");

## Used inside an expression the call has its one result.
%!assert (evalc ("disp (KX4410_ErrorText (1))"), "DriverHandleError\n")
%!assert (["<" KX4410_ErrorText(26) ">"], "<UNKNOWN_ERROR_CODE>")

## The code's class is Octave's: each is read as the number it holds.
%!test
%! codes = {int8(-1), uint16(7), int32(65537), single(7.9), true, int64(-65535), NaN};
%! names = {"UNKNOWN_ERROR_CODE", "HighAlarm", "DriverHandleError", "HighAlarm", ...
%!          "DriverHandleError", "DriverHandleError", "NoError"};
%! for k = 1:numel (codes)
%!   assert (KX4410_ErrorText (codes{k}), names{k});
%! endfor

## No session, and no driver operation.
%!test
%! kxsim ("reset");
%! name = KX4410_ErrorText (11);
%! assert (name, "FindBoardError");
%! assert (isempty (kxsim ("log")));

%!error <^KX4410_ErrorText: This function yields one result value!$> KX4410_ErrorText (3)
%!error <^KX4410_ErrorText: This function yields one result value!$> [a, b] = KX4410_ErrorText (3)
%!error <^KX4410_ErrorText: This function needs the code of the error!$> x = KX4410_ErrorText ()
%!error <^KX4410_ErrorText: This function needs the code of the error!$> x = KX4410_ErrorText (1, 2)
%!error <^KX4410_ErrorText: KX4410 argument is empty or not numeric!$> x = KX4410_ErrorText ("a")
%!error <^KX4410_ErrorText: KX4410 argument is empty or not numeric!$> x = KX4410_ErrorText ([])
%!error <^KX4410_ErrorText: KX4410 argument is empty or not numeric!$> x = KX4410_ErrorText ({1})
