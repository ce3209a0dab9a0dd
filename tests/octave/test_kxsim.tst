## kxsim, the simulated board's control port: every form, its results and
## its refusals.

%!test
%! kxsim ("reset");
%! assert (kxsim ("now"), 0);
%! assert ([kxsim("da", 0), kxsim("da", 1)], [2047, 2047]);
%! L = kxsim ("log");
%! assert (size (L), [1, 0]);
%! assert (isstruct (L));
%! assert (fieldnames (L), {"op"; "args"; "result"});

## The log: one element per driver call, its integer arguments as a double
## row, its result as a double.
%!test
%! kx_open ();
%! done = KX4410_SendDA (1, 0, [7 8]);
%! v = KX4410_ReadAD (1, 0, 0);
%! L = kxsim ("log");
%! assert (size (L), [1, 4]);
%! assert ({L.op}, {"WriteAnalogOut", "WriteAnalogOut", "ConfigureAnalogIn", "ReadAnalogIn"});
%! assert (class (L(1).op), "char");
%! assert ({L.args}, {[1, 7], [1, 8], [1, 0], zeros(1, 0)});
%! assert ([L.result], [0, 0, 0, 0]);
%! kxsim ("clearlog");
%! assert (isempty (kxsim ("log")));

## The log keeps the latest calls up to its capacity and says how many it
## dropped; logging can be switched off.
%!test
%! kx_open ();
%! [L, dropped, capacity] = kxsim ("log");
%! assert ([numel(L), dropped, capacity], [0, 0, 1000000]);
%! kxsim ("logcapacity", 2);
%! v = KX4410_ReadAD (1, 0, 0, 3, 5);
%! [L, dropped, capacity] = kxsim ("log");
%! assert ({L.op}, {"ReadAnalogIn", "DelayMicros"});
%! assert ([dropped, capacity], [5, 2]);
%! kxsim ("logging", false);
%! v = KX4410_ReadAD (1, 0, 0, 3);
%! kxsim ("logging", true);
%! [L, dropped] = kxsim ("log");
%! assert ({L.op}, {"ReadAnalogIn", "DelayMicros"});
%! assert (dropped, 5);
%! kxsim ("clearlog");
%! [L, dropped, capacity] = kxsim ("log");
%! assert ([numel(L), dropped, capacity], [0, 0, 2]);
%! kxsim ("reset");
%! [~, ~, capacity] = kxsim ("log");
%! assert (capacity, 1000000);

%!error <^kxsim: kxsim\('logging', on\): on is true or false \(1 or 0\)$> kxsim ("logging", 2)
%!error <^kxsim: 'logging' is called as kxsim\('logging', on\)$> kxsim ("logging")
%!error <^kxsim: kxsim\('logcapacity', n\): n is a whole number from 0 to 4294967295$> kxsim ("logcapacity", -1)
%!error <^kxsim: kxsim\('logcapacity', n\): n is a whole number from 0 to 4294967295$> kxsim ("logcapacity", 1.5)
%!error <^kxsim: 'log' is called as \[L, dropped, capacity\] = kxsim\('log'\)$> [a, b, c, d] = kxsim ("log")

## A reset ends the session and the driver's answer says so.
%!test
%! kx_open ();
%! kxsim ("reset");
%! msg = kx_message ("v = KX4410_ReadAD (0, 0, 0);");
%! assert (msg, "KX4410_ReadAD: KX4410 error in setting quantification window!");
%! L = kxsim ("log");
%! assert ([L.result], 1);

## The virtual clock moves by the driver's waits only; the real clock by
## itself.
%!test
%! kx_open ();
%! t0 = kxsim ("now");
%! KX4410_Delay (5000);
%! assert (kxsim ("now") - t0, 0.005, 1e-12);
%! kxsim ("clock", "real");
%! t1 = kxsim ("now");
%! pause (0.02);
%! assert (kxsim ("now") > t1);
%! kxsim ("clock", "virtual");
%! assert (kxsim ("now"), 0);

## An injected answer: the n-th next call, once, changing nothing.
%!test
%! kx_open ();
%! kxsim ("inject", "WriteAnalogOut", 2, 13);
%! done = KX4410_SendDA (0, 100);
%! msg = kx_message ("done = KX4410_SendDA (0, 200);");
%! assert (msg, "KX4410_SendDA: KX4410 error at DA sending!");
%! done = KX4410_SendDA (0, 300);
%! L = kxsim ("log");
%! assert ([L.result], [0, 13, 0]);
%! assert (kxsim ("da", 0), 300);

## Queued AD readings come before the channel's signal, in order.
%!test
%! kx_open ();
%! kxsim ("level", 6, 4);
%! kxsim ("ad", 6, [1; 2]);
%! v = KX4410_ReadAD (6, 0, 0, 3);
%! assert (v, [1, 2, 4], 10 / 4095);

## Queued counter readings become the time stamps: 65535 is one count,
## 62.5 ns, after the start.
%!test
%! kx_open ();
%! kxsim ("timer", [65535, 65531]);
%! r = KX4410_SendAndRead (0, 0, 0, 0, [2047 2047], 0);
%! assert (r(3:4), [1, 5] * 6.25e-8, 1e-20);

%!test
%! kxsim ("reset");
%! kxsim ("boards", 0);
%! out = evalc ("status = KX4410_InitDriverAndBoard (0);");
%! assert (status, 11);
%! kxsim ("boards", 2);
%! kxsim ("versions", 4660, 255);
%! out = evalc ("[status, boards] = KX4410_InitDriverAndBoard (1);");
%! assert ([status, boards], [0, 2]);
%! assert (! isempty (strfind (out, "KX4410 DLL version 1234, Driver version ff.\n")));

## The plant: a step on DA 0 settles at gain times its volts on AD 0.
%!test
%! kx_open ();
%! kxsim ("plant", 0.5, 0.001);
%! done = KX4410_SendDA (0, 0, 2457 * ones (1, 20), 1000);
%! v = KX4410_ReadAD (0, 0, 0);
%! assert (v, 1, 10 / 4095);

%!error <^kxsim: unknown command 'foo'; the accepted forms are:\n  kxsim\('reset'\)\n> kxsim ("foo")
%!error <  code = kxsim\('da', channel\)$> kxsim ("Reset")
%!error <^kxsim: the first argument names a command; the accepted forms are:\n> kxsim ()
%!error <^kxsim: the first argument names a command> kxsim (1)
%!error <^kxsim: 'reset' is called as kxsim\('reset'\)$> x = kxsim ("reset")
%!error <^kxsim: 'now' is called as t = kxsim\('now'\)$> kxsim ("now", 1)
%!error <^kxsim: 'da' is called as code = kxsim\('da', channel\)$> [a, b] = kxsim ("da", 0)
%!error <^kxsim: 'ad' is called as kxsim\('ad', channel, volts\)$> kxsim ("ad", 1)
%!error <^kxsim: 'clock' is called as kxsim\('clock', 'virtual'\) or kxsim\('clock', 'real'\)$> kxsim ("clock")
%!error <^kxsim: kxsim\('clock', 'virtual'\) or kxsim\('clock', 'real'\): the clock is 'virtual' or 'real'$> kxsim ("clock", "fast")
%!error <^kxsim: kxsim\('inject', op, n, value\): unknown operation 'ReadAD'; the operations are GetLibraryVersion, > kxsim ("inject", "ReadAD", 1, 0)
%!error <^kxsim: kxsim\('inject', op, n, value\): n is a whole number, 1 or more$> kxsim ("inject", "ReadAnalogIn", 0, 0)
%!error <^kxsim: kxsim\('ad', channel, volts\): channel is a whole number from 0 to 15$> kxsim ("ad", 16, 1)
%!error <^kxsim: kxsim\('ad', channel, volts\): volts is a real double vector$> kxsim ("ad", 1, ones (2))
%!error <^kxsim: kxsim\('timer', counts\): counts is a real double vector$> kxsim ("timer", "65535")
%!error <^kxsim: kxsim\('boards', n\): n is a whole number from 0 to 65535$> kxsim ("boards", 1.5)
%!error <^kxsim: kxsim\('versions', lib, drv\): lib and drv are 16-bit words, whole numbers from 0 to 65535$> kxsim ("versions", 65536, 0)
%!error <^kxsim: kxsim\('plant', gain, tau\): gain is a finite number and tau a finite number of seconds above 0$> kxsim ("plant", 1, 0)
%!error <^kxsim: kxsim\('level', channel, volts\): channel is a whole number from 2 to 15$> kxsim ("level", 1, 0)
%!error <^kxsim: kxsim\('level', channel, volts\): volts is a finite number$> kxsim ("level", 2, NaN)
%!error <^kxsim: code = kxsim\('da', channel\): channel is 0 or 1$> kxsim ("da", 2)

## A refused form changes nothing.
%!test
%! kx_open ();
%! kx_message ("kxsim ('inject', 'ReadAnalogIn', 0, 9);");
%! kx_message ("kxsim ('ad', 2, [5 5; 5 5]);");
%! kx_message ("kxsim ('level', 2, 5, 1);");
%! v = KX4410_ReadAD (2, 0, 0, 2);
%! assert (v, [0, 0], 20 / 4095);
%! assert ([kxsim("log").result], [0, 0, 0]);

## The compact log: the same calls as the struct array, as columns; the
## operation an index into names, absent arguments NaN.
%!test
%! kx_open ();
%! kxsim ("logcapacity", 30);
%! done = KX4410_SendDA (1, 0, [7 8]);
%! v = KX4410_ReadAD (1, 0, 0, 2, 5);
%! r = KX4410_SendAndRead (0, 0, 0, 0, [2047 2047 2047], 0);
%! kxsim ("inject", "GetActiveBoard", 1, -2147483648);
%! kxsim ("inject", "ReadTimerCounter", 3, 4294967295);
%! kx_message ("r = KX4410_SendAndRead (0, 0, 0, 0, [2047 2047 2047], 0);");
%! r = KX4410_SendAndRead (0, 0, 0, 0, [2047 2047 2047], 0);
%! [L, dropped, capacity] = kxsim ("log");
%! [C, cdropped, ccapacity] = kxsim ("log", "compact");
%! assert (fieldnames (C), {"op"; "names"; "args"; "nargs"; "result"});
%! n = numel (L);
%! assert (n, 30);
%! assert (dropped > 0);
%! assert ([cdropped, ccapacity], [dropped, capacity]);
%! assert ({class(C.op), class(C.args), class(C.nargs), class(C.result)}, ...
%!         {"double", "double", "double", "double"});
%! assert ([size(C.op); size(C.args); size(C.nargs); size(C.result)], [n 1; n 4; n 1; n 1]);
%! assert (C.names, {"GetLibraryVersion", "OpenDriver", "CloseDriver", "GetDriverVersion", ...
%!                   "GetBoardAddress", "ActivateBoard", "GetActiveBoard", "WriteAnalogOut", ...
%!                   "ConfigureAnalogIn", "ReadAnalogIn", "DelayMicros", ...
%!                   "WriteTimerControl", "ReadTimerCounter"});
%! assert (C.names(C.op), {L.op});
%! assert (C.nargs', cellfun (@numel, {L.args}));
%! assert (C.result', [L.result]);
%! for k = 1:n
%!   assert (C.args(k, 1:C.nargs(k)), L(k).args);
%!   assert (all (isnan (C.args(k, C.nargs(k)+1:4))));
%! endfor
%! assert (any (C.result == -2147483648));
%! assert (any (C.result == 4294967295));
%! kxsim ("clearlog");
%! C = kxsim ("log", "compact");
%! assert ([size(C.op); size(C.args); size(C.nargs); size(C.result)], [0 1; 0 4; 0 1; 0 1]);
%! assert (numel (C.names), 13);

## What a driver operation's result cannot hold is refused, with the fault
## and the range, as are levels that are not finite, counter readings
## beyond 32 bits and readings beyond a float; a refusal changes nothing.
%!test
%! kx_open ();
%! kxsim ("level", 3, 1);
%! p = "kxsim: kxsim('inject', op, n, value): ";
%! status = [p "value is the operation's status word: a whole number from 0 to 65535"];
%! counts = ["kxsim: kxsim('timer', counts): counts are ReadTimerCounter's 32-bit ", ...
%!           "readings: whole numbers from 0 to 4294967295"];
%! level = "kxsim: kxsim('level', channel, volts): volts is a finite number";
%! refused = {
%!   "kxsim ('inject', 'ReadAnalogIn', 1, NaN)", status
%!   "kxsim ('inject', 'ReadAnalogIn', 1, Inf)", status
%!   "kxsim ('inject', 'ReadAnalogIn', 1, -Inf)", status
%!   "kxsim ('inject', 'ReadAnalogIn', 1, 0.5)", status
%!   "kxsim ('inject', 'ReadAnalogIn', 1, 65536)", status
%!   "kxsim ('inject', 'ReadAnalogIn', 1, 1e30)", status
%!   "kxsim ('inject', 'ConfigureAnalogIn', 1, -1)", status
%!   "kxsim ('inject', 'GetLibraryVersion', 1, 65536)", ...
%!   [p "value is GetLibraryVersion's version word: a whole number from 0 to 65535"]
%!   "kxsim ('inject', 'GetActiveBoard', 1, 2^31)", ...
%!   [p "value is GetActiveBoard's board number: a whole number from -2147483648 to 2147483647"]
%!   "kxsim ('inject', 'ReadTimerCounter', 1, 2^32)", ...
%!   [p "value is ReadTimerCounter's 32-bit reading: a whole number from 0 to 4294967295"]
%!   "kxsim ('inject', 'ReadAnalogIn', 2^31, 9)", [p "n is at most 2147483647"]
%!   "kxsim ('inject', 'ReadAnalogIn', Inf, 9)", [p "n is a whole number, 1 or more"]
%!   "kxsim ('timer', [5 -1])", counts
%!   "kxsim ('timer', NaN)", counts
%!   "kxsim ('timer', 2^32)", counts
%!   "kxsim ('timer', 0.5)", counts
%!   "kxsim ('level', 3, Inf)", level
%!   "kxsim ('level', 3, -Inf)", level
%!   "kxsim ('ad', 3, [2 1e39])", ["kxsim: kxsim('ad', channel, volts): volts are 32-bit ", ...
%!     "float readings: NaN, Inf, -Inf or finite numbers of magnitude at most 3.4028234663852886e+38"]
%!   "L = kxsim ('log', 'fast')", ...
%!   "kxsim: [L, dropped, capacity] = kxsim('log', 'compact'): the second argument is 'compact'"
%!   "L = kxsim ('log', 'compact', 1)", ...
%!   ["kxsim: 'log' is called as [L, dropped, capacity] = kxsim('log') or ", ...
%!    "[L, dropped, capacity] = kxsim('log', 'compact')"]
%! };
%! for k = 1:rows (refused)
%!   id = "";
%!   msg = "";
%!   try
%!     eval ([refused{k, 1} ";"]);
%!   catch err
%!     id = err.identifier;
%!     msg = err.message;
%!   end_try_catch
%!   assert ({refused{k, 1}, msg, id}, {refused{k, 1}, refused{k, 2}, "KX4410:kxsim:badCall"});
%! endfor
%! assert (isempty (kxsim ("log")));
%! ## The level as it was, no reading queued, no injection waiting.
%! v = KX4410_ReadAD (3, 0, 0, 2);
%! assert (v, [1, 1], 20 / 4095);
%! r = KX4410_SendAndRead (0, 0, 0, 0, [2047 2047], 0);
%! L = kxsim ("log", "compact");
%! assert (L.result(strcmp (L.names(L.op), "ReadTimerCounter"))' != 5);
%! assert (all (L.result(! strcmp (L.names(L.op), "ReadTimerCounter")) <= 65535));

## The board holds at most 1000 pending injections and 500000 readings in
## each queue; a call beyond that is refused whole.
%!test
%! kx_open ();
%! for k = 1:1000
%!   kxsim ("inject", "WriteAnalogOut", k, 16);
%! endfor
%! assert (kx_message ("kxsim ('inject', 'ReadAnalogIn', 1, 9)"), ...
%!         ["kxsim: kxsim('inject', op, n, value): 1000 injections are pending already, ", ...
%!          "the most the board holds"]);
%! v = KX4410_ReadAD (2, 0, 0, 2);
%! kxsim ("reset");
%! assert (kx_message ("kxsim ('timer', zeros (1, 500001))"), ...
%!         ["kxsim: kxsim('timer', counts): the timer's queue holds at most 500000 ", ...
%!          "readings, those waiting included"]);
%! kxsim ("ad", 2, zeros (1, 500000));
%! assert (kx_message ("kxsim ('ad', 2, 1)"), ...
%!         ["kxsim: kxsim('ad', channel, volts): a channel's queue holds at most 500000 ", ...
%!          "readings, those waiting included"]);
%! kxsim ("ad", 3, 7);
%! KX4410_InitDriverAndBoard (0);
%! assert (KX4410_ReadAD (3, 0, 0), 7);
