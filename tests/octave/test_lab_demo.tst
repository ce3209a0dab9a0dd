## The lab demo on the virtual clock, its default: its text word for word,
## its figures against the runs it returns and against the plant's
## physics, the same text and runs a second time, and its plot.

%!function [overshoot, settling, final] = kx_step (r)
%!  % The step's figures by their definitions: a 2 % band around the
%!  % final value (open loop) or the reference (closed loop), final the
%!  % settled output (open loop) or the mean |error| at the end.
%!  k0 = r.k0;
%!  y = r.y(k0:end);
%!  if (isempty (r.gains))
%!    final = mean (r.y(end-499:end));
%!    target = final;
%!    height = final - mean (r.y(1:k0-1));
%!  else
%!    target = r.ref(end);
%!    height = target - r.ref(1);
%!    final = mean (abs (target - r.y(end-99:end)));
%!  endif
%!  overshoot = max (0, max (y - target) / height * 100);
%!  late = find (abs (y - target) > 0.02 * abs (height));
%!  if (isempty (late))
%!    settling = 0;
%!  elseif (late(end) == numel (y))
%!    settling = NaN;
%!  else
%!    settling = r.t(k0 + late(end)) - r.t(k0);
%!  endif
%!endfunction

%!test
%! png = [tempname() ".png"];
%! unwind_protect
%!   out = evalc ("runs = kx4410_lab_demo (png);");
%!   head = "\n== 1. Driver session\n";
%!   assert (strncmp (out, head, numel (head)), out);
%!   % After the banner, which test_init checks.
%!   expected = strjoin ({
%!     "status 0 (NoError), 1 board(s)"
%!     ""
%!     "== 2. The lab's mass-spring-damper from DA 0 to AD 2"
%!     "y/u = 200 / (0.5 s^2 + 2 s + 200): 20 rad/s, damping ratio 0.1"
%!     ""
%!     "== 3. Open-loop step of 2 V, send and read, 1000 us steps"
%!     "4000 steps, 4.051 s by the time stamps (4.052 s of board time)"
%!     "output -0.002 V before the step, 2.000 V at the end"
%!     "peak 3.460 V, 0.1550 s after the step"
%!     "overshoot:                72.93 % (72.92 % by the damping ratio)"
%!     "settling time (2 % band): 1.9156 s"
%!     ""
%!     "== 4. Tuning KX4410_PID, 1000 us steps: P alone, then D added"
%!     "        Kp     Ki     Kd   overshoot   settling   final error"
%!     "P        3      0      0     35.16 %          -     0.81074 V"
%!     "PD       3      0   0.12      0.00 %          -     0.66291 V"
%!     "(-: still outside the 2 % band when the run ends)"
%!     ""
%!     "== 5. PID on the plant: Kp 4, Ki 0.03, Kd 0.15, 1000 us steps"
%!     "800 steps, 0.809 s by the time stamps (0.810 s of board time)"
%!     "step of 2 V at t = 0.1013 s"
%!     "settling time (2 % band): 0.0891 s"
%!     "overshoot:                0.73 %"
%!     "final error:              0.00000 V (mean |e| of the last 100 steps)"
%!     ["plot: " png]
%!     ""
%!     "== 6. End of the session"
%!     "KX4410 Board #0 Deactivated and Driver Closed."
%!     ""}, "\n");
%!   assert (out(strfind (out, "status 0 ("):end), expected);
%!
%!   assert ({runs.name}, {"open loop", "P", "PD", "PID"});
%!   assert (cellfun (@numel, {runs.y}), [4000, 800, 800, 800]);
%!   assert (cellfun (@numel, {runs.u}), [4000, 800, 800, 800]);
%!   assert (vertcat (runs(2:end).gains), [3 0 0; 3 0 0.12; 4 0.03 0.15]);
%!   for r = runs
%!     assert (all (diff (r.t) > 0), r.name);
%!     % Board time covers the time stamps, and the timer's start before them.
%!     assert (r.board >= r.t(end) && r.board < r.t(end) + 0.002, r.name);
%!   endfor
%!
%!   % The printed figures are the runs' own.
%!   [overshoot, settling, final] = kx_step (runs(1));
%!   [peak, k] = max (runs(1).y);
%!   assert (! isempty (strfind (out, sprintf ("peak %.3f V, %.4f s after", peak, ...
%!                                             runs(1).t(k) - runs(1).t(101)))));
%!   assert (! isempty (strfind (out, sprintf ("overshoot:                %.2f %% (", overshoot))));
%!   assert (! isempty (strfind (out, sprintf ("band): %.4f s\n\n== 4.", settling))));
%!   assert (! isempty (strfind (out, sprintf (", %.3f V at the end\n", final))));
%!   for k = 2:3
%!     [overshoot, settling, final] = kx_step (runs(k));
%!     assert (isnan (settling), runs(k).name);
%!     row = sprintf ("%-4s %5g %6g %6g %9.2f %%          - %11.5f V\n", runs(k).name, runs(k).gains, ...
%!                   overshoot, final);
%!     assert (! isempty (strfind (out, row)), runs(k).name);
%!   endfor
%!   [overshoot, settling, final] = kx_step (runs(4));
%!   assert (! isempty (strfind (out, sprintf ("band): %.4f s\novershoot:                %.2f %%\n", ...
%!                                             settling, overshoot))));
%!   assert (! isempty (strfind (out, sprintf ("final error:              %.5f V", final))));
%!
%!   % What the plant's physics says: a step overshoots by
%!   % exp(-pi zeta / sqrt(1 - zeta^2)) and settles within 4 / (zeta wn)
%!   % seconds; the DA takes u in whole volts, and 2 V is one of them.
%!   [overshoot, settling] = kx_step (runs(1));
%!   assert (overshoot, 100 * exp (-pi * 0.1 / sqrt (0.99)), 0.5);
%!   assert (settling > 1.5 && settling < 4 / 2);
%!   [overshoot, settling] = kx_step (runs(2));
%!   assert (overshoot > 20);
%!   [overshoot, settling, final] = kx_step (runs(3));
%!   assert (overshoot < 1 && final > 0.1);
%!   [overshoot, settling, final] = kx_step (runs(4));
%!   assert (overshoot < 2 && settling < 0.2 && final == 0);
%!   assert (runs(4).y(end-99:end), 2 * ones (1, 100));
%!
%!   info = imfinfo (png);
%!   assert ([info.Width, info.Height], [900, 900]);
%!
%!   % Again, the virtual clock named: the same text and the same runs.
%!   delete (png);
%!   again = evalc ("runs2 = kx4410_lab_demo (png, 'virtual');");
%!   assert (again, out);
%!   assert (exist (png, "file"), 2);
%!   for f = {"t", "ref", "y", "u", "board"}
%!     assert (isequal ({runs2.(f{1})}, {runs.(f{1})}), f{1});
%!   endfor
%! unwind_protect_cleanup
%!   if (exist (png, "file"))
%!     delete (png);
%!   endif
%! end_unwind_protect

## Called without a result it returns none; Contents lists it.
%!test
%! png = [tempname() ".png"];
%! unwind_protect
%!   out = evalc ("kx4410_lab_demo (png)");
%!   assert (isempty (regexp (out, '\<ans\>')));
%!   assert (! isempty (strfind (out, ["plot: " png "\n"])));
%! unwind_protect_cleanup
%!   if (exist (png, "file"))
%!     delete (png);
%!   endif
%! end_unwind_protect
%! text = get_help_text ("Contents");
%! assert (! isempty (regexp (text, '^\s*kx4410_lab_demo\s+- ', "lineanchors")));
