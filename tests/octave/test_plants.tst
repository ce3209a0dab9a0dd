## The simulated board's virtual lab in Octave: plants, sources and noise
## through kxsim, and the plants against Octave's control package.

%!function q = kx_quantised (v)
%!  % What the board delivers for v in the +-10 V range (sim/README.md).
%!  lo = -10;
%!  hi = 10;
%!  v = min (max (v, lo), hi);
%!  code = round ((v - lo) / (hi - lo) * 4095);
%!  q = double (single (lo + code * (hi - lo) / 4095));
%!endfunction

%!function [t, v, r, changes] = kx_drive (ad, writes, waits, delay)
%!  % DA 0 written with each code of writes after waiting each of waits
%!  % (us), the AD channel sampled twice in each wait: board times t, its
%!  % values before conversion v and its readings r; changes are the times
%!  % its plant's input changes (a dead time after each write) and the
%!  % volts from then on, the first the DA's output at the start.
%!  changes = [kxsim("now"), kxsim("da", 0) / 204.75 - 10];
%!  t = v = r = [];
%!  for k = 1:numel (writes)
%!    for part = [floor(waits(k) / 3), waits(k) - floor(waits(k) / 3)]
%!      while (part > 0)
%!        KX4410_Delay (min (part, 8000));
%!        part -= min (part, 8000);
%!      endwhile
%!      r(end+1) = KX4410_ReadAD (ad, 0, 0);
%!      t(end+1) = kxsim ("now");
%!      v(end+1) = kxsim ("analog", ad);
%!    endfor
%!    done = KX4410_SendDA (0, writes(k));
%!    changes(end+1, :) = [kxsim("now") + delay, writes(k) / 204.75 - 10];
%!  endfor
%!endfunction

%!function y = kx_reference (sys, changes, t)
%!  % sys driven from rest by the piecewise-constant input changes,
%!  % sampled at t: its zero-order-hold discretisation over each interval
%!  % between those instants, as the control package computes it.
%!  [~, ~, C, D] = ssdata (sys);
%!  x = zeros (rows (C'), 1);
%!  events = sortrows ([changes(:, 1), zeros(rows (changes), 1), changes(:, 2);
%!                      t(:), ones(numel (t), 1), zeros(numel (t), 1)]);
%!  now = changes(1, 1);
%!  u = changes(1, 2);
%!  y = [];
%!  for e = events'
%!    if (e(1) > now)
%!      [A, B] = ssdata (c2d (sys, e(1) - now, "zoh"));
%!      x = A * x + B * u;
%!      now = e(1);
%!    endif
%!    if (e(2) == 0)
%!      u = e(3);
%!    else
%!      y(end+1) = C * x + D * u;
%!    endif
%!  endfor
%!endfunction

## Orders 1 to 8, real and complex poles, zeros, a direct term, an unstable
## plant and dead times, each driven by 25 writes at irregular board times:
## within 1e-9 of the reference, relative to the response's size, and every
## reading the board's quantisation of the value at its conversion.
%!test
%! pkg load control
%! pair = @(w, zeta) [1, 2 * zeta * w, w^2];
%! plants = {
%!   % name, num (scaled below to a gain of 1 at rest), den, dead time (s)
%!   "order 1", 1, [0.01 1], 0
%!   "order 2, real poles, a zero", [1 40], conv([1 30], [1 120]), 0
%!   "order 2, complex poles, dead time", 1, pair(60, 0.15), 0.0037
%!   "order 2, direct term, dead time", [1 10 900], pair(50, 0.3), 0.0013
%!   "order 3", [1 25], conv([1 50], pair(50, 0.2)), 0
%!   "order 4, dead time", [1 80], conv(pair(40, 0.3), pair(150, 0.5)), 0.0021
%!   "order 5, real poles", poly([-35 -200]), poly([-10 -25 -60 -140 -300]), 0
%!   "order 6", 1, conv(conv(pair(30, 0.2), pair(90, 0.4)), pair(200, 0.7)), 0
%!   "order 7, complex zeros", real(poly([-30+20i, -30-20i])), conv(conv(conv(pair(50, 0.1), pair(120, 0.35)), pair(250, 0.6)), [1 80]), 0.0009
%!   "order 8, dead time", [1 100], conv(conv(pair(20, 0.25), pair(60, 0.3)), conv(pair(150, 0.5), pair(300, 0.8))), 0.005
%!   "unstable", [1 20], conv([1 -8], [1 40]), 0
%! };
%! waits = 200 + mod ((1:25) * 7919, 7000);
%! writes = 2047 + round (1500 * sin ((1:25) * 1.7));
%! worst = 0;
%! for k = 1:rows (plants)
%!   [name, num, den, delay] = deal (plants{k, :});
%!   num = num * abs (den(end) / num(end));
%!   kx_open ();
%!   kxsim ("tf", 0, 3, num, den, delay);
%!   [t, v, r, changes] = kx_drive (3, writes, waits, delay);
%!   y = kx_reference (ss (tf (num, den)), changes, t);
%!   err = max (abs (v - y)) / max (abs (y));
%!   worst = max (worst, err);
%!   assert (err <= 1e-9, sprintf ("%s: relative error %g", name, err));
%!   assert (r, arrayfun (@kx_quantised, v));
%!   assert (max (abs (y)) > 0.05, name);
%! endfor
%! printf ("plants against c2d: worst relative error %.3g\n", worst);

## The lab's plants are the transfer functions their datasheet derives from
## their physics.
%!test
%! pkg load control
%! labs = {
%!   % name, num, den, dead time (s), a wait between writes (us)
%!   "dcmotor", 0.05 * 0.05, [1e-4 * 1e-3, 1e-4 * 1 + 1e-5 * 1e-3, 1e-5 * 1 + 0.05^2], 0, 4000
%!   "heater", 0.05 * 5 * 4, [4 * 0.5, 1], 0.25, 100000
%!   "tanks", 20 * 1e-4 * 500, [0.01 * 0.01 * 500 * 500, 0.01 * 500 * 2 + 0.01 * 500, 1], 0, 500000
%!   "massspring", 100 * 2, [0.5 2 200], 0, 20000
%! };
%! for k = 1:rows (labs)
%!   [name, num, den, delay, pace] = deal (labs{k, :});
%!   kx_open ();
%!   kxsim ("lab", name, 0, 8);
%!   waits = round (pace * (0.5 + mod ((1:12) * 0.618, 1)));
%!   writes = 2047 + round (800 * cos ((1:12) * 2.3));
%!   [t, v, r, changes] = kx_drive (8, writes, waits, delay);
%!   y = kx_reference (ss (tf (num, den)), changes, t);
%!   err = max (abs (v - y)) / max (abs (y));
%!   assert (err <= 1e-9, sprintf ("%s: relative error %g", name, err));
%!   assert (r, arrayfun (@kx_quantised, v));
%! endfor

## Sources and noise add to what a channel carries; noise repeats for its
## seed; reset brings back the power-on wiring.
%!test
%! kx_open ();
%! kxsim ("level", 5, 1);
%! t0 = kxsim ("now");
%! kxsim ("signal", 5, "sine", 2, 50, 0.5, 0.25);
%! KX4410_Delay (1234);
%! t = kxsim ("now") - t0;
%! assert (kxsim ("analog", 5), 1 + 0.25 + 2 * sin (2 * pi * 50 * t + 0.5), 1e-12);
%! kxsim ("signal", 5, "none", 0, 0, 0, 0);
%! assert (kxsim ("analog", 5), 1);
%! kxsim ("noise", 6, 0.5, 42);
%! kxsim ("noise", 7, 0.5, 42);
%! a = KX4410_ReadAD (6, 0, 0, 50, 10);
%! b = KX4410_ReadAD (7, 0, 0, 50, 10);
%! assert (std (a) > 0.3 && std (a) < 0.7);
%! % The same seed, read at other times since it was set: other numbers
%! % (a few may quantise alike).
%! assert (sum (a != b) > 40);
%! kx_open ();
%! kxsim ("noise", 6, 0.5, 42);
%! assert (KX4410_ReadAD (6, 0, 0, 50, 10), a);
%! kxsim ("reset");
%! assert (arrayfun (@(ch) kxsim ("analog", ch), 0:15), [0, 2047 / 204.75 - 10, zeros(1, 14)]);

## A plant's limits, and a channel back to its wiring.
%!test
%! kx_open ();
%! kxsim ("tf", 0, 2, 3, [0.001 1], 0);
%! kxsim ("limits", 2, -Inf, 2);
%! done = KX4410_SendDA (0, 4095);
%! KX4410_Delay (8000);
%! assert (kxsim ("analog", 2), 2);
%! kxsim ("limits", 2, -Inf, Inf);
%! u0 = 2047 / 204.75 - 10;
%! y = 3 * u0 * (1 - exp (-8.002)) + 3 * (10 - u0) * (1 - exp (-8));
%! assert (kxsim ("analog", 2), y, 1e-9);
%! kxsim ("unplant", 2);
%! assert (kxsim ("analog", 2), 0);

%!error <^kxsim: kxsim\('tf', da, ad, num, den, delay\): num's degree is at most den's: the transfer function is proper$> kxsim ("tf", 0, 2, [1 2 3], [1 1], 0)
%!error <^kxsim: kxsim\('tf', da, ad, num, den, delay\): den's degree, the plant's order, is at most 8$> kxsim ("tf", 0, 2, 1, ones (1, 10), 0)
%!error <^kxsim: kxsim\('tf', da, ad, num, den, delay\): delay is a finite number of seconds from 0 to 1e6$> kxsim ("tf", 0, 2, 1, [1 1], -1)
%!error <^kxsim: kxsim\('lab', name, da, ad\): name is dcmotor, heater, tanks or massspring$> kxsim ("lab", "pendulum", 0, 2)
%!error <^kxsim: kxsim\('signal', channel, kind, amplitude, frequency, phase, offset\): kind is sine, square, triangle, sawtooth or none$> kxsim ("signal", 2, "noise", 1, 1, 0, 0)
%!error <^kxsim: kxsim\('noise', channel, sigma, seed\): sigma is a finite number of volts, 0 or more$> kxsim ("noise", 2, -1, 0)
%!error <^kxsim: v = kxsim\('analog', channel\): channel is a whole number from 0 to 15$> kxsim ("analog", 16)

## Each refusal with its identifier, and the plant already there untouched.
%!test
%! kx_open ();
%! kxsim ("tf", 0, 2, 1, [0.01 1], 0);
%! done = KX4410_SendDA (0, 3000);
%! before = kxsim ("analog", 2);
%! try
%!   kxsim ("tf", 1, 2, 1, [1 0 1], 0);
%!   error ("not raised");
%! catch err
%!   assert (err.identifier, "KX4410:kxsim:badCall");
%!   assert (err.message, "kxsim: kxsim('tf', da, ad, num, den, delay): ad already reads a plant: remove that one first");
%! end_try_catch
%! assert (kxsim ("analog", 2), before);
