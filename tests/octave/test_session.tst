## A whole session in Octave, the driver session across "clear all", and
## the demo.

%!test
%! kxsim ("reset");
%! out = evalc ("[status, boards] = KX4410_InitDriverAndBoard;");
%! assert ([status, boards], [0, 1]);
%! assert (! isempty (strfind (out, "KX4410 Board #0 activated ok!\n")));
%! kxsim ("level", 2, 3);
%! v = KX4410_ReadAD (2, 0, 0, 5, 10);
%! assert (v, 3 * ones (1, 5), 20 / 4095);
%! done = KX4410_SendDA (1, 0, [0 2047 4095]);
%! back = KX4410_ReadAD (1, 0, 0);
%! assert (back, 10, 20 / 4095);
%! done = KX4410_SendPWM (1, 3071, 2, 500, 3);
%! assert (kxsim ("da", 1), 2047);
%! n = 100;
%! r = KX4410_SendAndRead (0, 0, 0, 0, 2457 * ones (1, n), 1000);
%! y = r(1:n);
%! assert (all (diff (y) >= 0) && y(end) > 1.5 && y(end) < 2);
%! [t, y, e, u] = KX4410_PID (0, 0, 0, 0, 2 * ones (1, 300), 1000, 3, 0.1, 0);
%! assert (y(end), 2, 20 / 4095);
%! out = evalc ("KX4410_CloseDriverAndBoard");
%! assert (out, "KX4410 Board #0 Deactivated and Driver Closed.\n");
%! ops = kx_ops ();
%! assert (ops(1:4), {"OpenDriver", "ActivateBoard", "GetLibraryVersion", "GetDriverVersion"});
%! assert (ops{end}, "CloseDriver");
%! assert (sum (strcmp (ops, "WriteAnalogOut")), 3 + 6 + n + 300);
%! assert (sum (strcmp (ops, "ReadAnalogIn")), 5 + 1 + n + 300);
%! % Every status word of the session is 0.
%! L = kxsim ("log");
%! status = ! ismember ({L.op}, {"GetLibraryVersion", "GetActiveBoard", "ReadTimerCounter"});
%! assert ([L(status).result], zeros (1, nnz (status)));

## "clear all" and "clear -f" unload every MEX file; the driver library,
## and the session in it, stay.
%!test
%! kx_open ();
%! done = KX4410_SendDA (1, 1234);
%! assert (kx_mapped ("KX4410_SendDA.mex") > 0);
%! clear all
%! assert (kx_mapped ("KX4410_SendDA.mex"), 0);
%! assert (kx_mapped ("libkxdrv.so") > 0);
%! assert (kxsim ("da", 1), 1234);
%! v = KX4410_ReadAD (1, 0, 0);
%! done = KX4410_SendDA (0, 99);
%! clear -f
%! assert (kx_mapped ("KX4410_SendDA.mex"), 0);
%! v = KX4410_ReadAD (1, 0, 0);
%! L = kxsim ("log");
%! assert ({L.op}, {"WriteAnalogOut", "ConfigureAnalogIn", "ReadAnalogIn", ...
%!                  "WriteAnalogOut", "ConfigureAnalogIn", "ReadAnalogIn"});
%! assert ([L.result], zeros (1, 6));

## The demo on the virtual clock: every step, the summary and the plot.
%!test
%! png = [tempname() ".png"];
%! unwind_protect
%!   out = evalc ("kx4410_demo (png, 'virtual')");
%!   for s = {"KX4410 ToolBox for MatLab", "== 6. PID", "settling time", "overshoot", ...
%!            "final error", ["plot: " png], "KX4410 Board #0 Deactivated and Driver Closed."}
%!     assert (! isempty (strfind (out, s{1})), ["missing: " s{1}]);
%!   endfor
%!   settling = sscanf (out(strfind (out, "settling time"):end), "settling time (2 %% band): %f");
%!   overshoot = sscanf (out(strfind (out, "overshoot:"):end), "overshoot: %f");
%!   final = sscanf (out(strfind (out, "final error:"):end), "final error: %f");
%!   assert (settling > 0 && settling < 0.2);
%!   assert (overshoot >= 0 && overshoot < 10);
%!   assert (final < 0.01);
%!   info = imfinfo (png);
%!   assert ([info.Width, info.Height], [900, 600]);
%! unwind_protect_cleanup
%!   if (exist (png, "file"))
%!     delete (png);
%!   endif
%! end_unwind_protect
