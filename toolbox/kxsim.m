%KXSIM  Control the simulated KX4410 board.
%   Where no board is present, the toolbox runs on a simulated one: a
%   library that takes the driver's place, with a virtual or real clock,
%   the 8254 interval timer, a plant wired from the outputs to the inputs,
%   fault injection and a log of every driver call; and a virtual lab:
%   plants of your choosing between the outputs and the inputs, wave
%   sources and noise. kxsim sets it up and reads it back. Its state lives
%   in the driver library and survives "clear all", as a real driver
%   session does.
%
%   kxsim('reset')
%       Power-on state: driver closed, one board, DA codes 2047, virtual
%       clock at 0 s, log, queues and injections cleared, default plant
%       (gain 1, tau 0.05 s), AD 2-15 at 0 V, and no placed plant, source
%       or noise.
%   kxsim('clock', 'virtual')
%   kxsim('clock', 'real')
%       Board time moves only by the driver calls and their waits
%       (virtual, the default: a run takes no real time), or is the real
%       monotonic clock (waits take real time, to about a microsecond: a
%       wait sleeps until its last millisecond and spins through that,
%       keeping one processor busy; on Windows it spins throughout).
%       Either restarts it at 0 s.
%   t = kxsim('now')
%       Board time in seconds.
%   kxsim('inject', op, n, value)
%       The n-th next call (n = 1: the very next; at most 2147483647) of
%       the driver operation op returns value in place of its own result
%       and changes nothing on the board. op is one of GetLibraryVersion,
%       OpenDriver, CloseDriver, GetDriverVersion, GetBoardAddress,
%       ActivateBoard, GetActiveBoard, WriteAnalogOut, ConfigureAnalogIn,
%       ReadAnalogIn, DelayMicros, WriteTimerControl, ReadTimerCounter.
%       value is a whole number that the operation's result holds: a
%       status word or GetLibraryVersion's version word 0 to 65535,
%       GetActiveBoard's board number -2147483648 to 2147483647,
%       ReadTimerCounter's reading 0 to 4294967295. At most 1000
%       injections are pending at once.
%   [L, dropped, capacity] = kxsim('log')
%       1 x n struct array, one element per driver call since the last
%       reset or clearlog, in call order, with fields op (char), args
%       (double row of the integer arguments passed, output parameters
%       left out) and result (double). The log keeps the latest calls,
%       at most capacity of them (1000000 unless set): dropped is the
%       number of older calls since the last reset or clearlog that it no
%       longer holds.
%   [L, dropped, capacity] = kxsim('log', 'compact')
%       The same log as one struct of columns, a row per call, for long
%       logs (a million calls take some 56 MB, where the struct array
%       takes about a gigabyte): op (n x 1, the operation's index into
%       names), names (1 x 13 cell of the operations' names), args (n x 4,
%       NaN where the call passed fewer), nargs (n x 1, how many it
%       passed) and result (n x 1). L.names(L.op) are the operations.
%   kxsim('clearlog')
%       Empties the log, frees its memory and zeroes the dropped count.
%   kxsim('logging', on)
%       Logs the driver calls (true, the default after reset) or not
%       (false: for long runs that need no log).
%   kxsim('logcapacity', n)
%       Keeps at most the latest n calls (0 keeps none); the calls beyond
%       a smaller capacity count as dropped. Reset brings back 1000000.
%   kxsim('ad', channel, volts)
%       Queues readings (a vector, volts) that the next reads of AD
%       channel 0-15 return, before its signal takes over again. Each is
%       delivered as a 32-bit float: NaN, Inf and -Inf are taken, finite
%       values beyond +-3.4028234663852886e+38 are not.
%   kxsim('timer', counts)
%       Queues raw counter readings for the next ReadTimerCounter calls:
%       whole numbers 0 to 4294967295, its 32-bit result.
%       Each queue (every AD channel's, the timer's) holds at most 500000
%       readings, those waiting included; a call that would pass that is
%       refused whole.
%   kxsim('boards', n)
%       Boards that OpenDriver finds; 0 makes OpenDriver fail.
%   kxsim('versions', lib, drv)
%       The library and driver version words (0 to 65535).
%   kxsim('plant', gain, tau)
%       The first-order plant from DA 0 to AD 0: y' = (gain * u - y) / tau,
%       u the DA 0 output in volts, tau in seconds.
%   kxsim('level', channel, volts)
%       A constant input on AD channel 2-15, a finite number of volts. AD
%       1 reads DA 1 directly (a loopback); AD 0 reads the plant.
%   code = kxsim('da', channel)
%       The code DA channel 0 or 1 holds now.
%
%   The virtual lab. What an AD channel carries is its plant's output (or
%   else its wiring above: the plant on AD 0, DA 1 on AD 1, the level on
%   AD 2-15), plus its source, plus its noise; a reading clips and
%   quantises that. Each takes effect at the board time of the call.
%   kxsim('tf', da, ad, num, den, delay)
%       Places the plant num(s)/den(s) from DA channel da (0 or 1) to AD
%       channel ad (0 to 15), its input delayed by delay seconds (0 to
%       1e6): num and den are coefficient vectors, highest power first, of
%       a proper transfer function of order 0 to 8 (a direct term when
%       they are of one degree), stable or not. The plant starts at rest,
%       with DA da's present output as its input until the first write
%       arrives; it is solved exactly for the piecewise-constant DA
%       output. A DA channel may drive several plants; an AD channel
%       reads at most one: remove it before placing another there. A
%       plant on AD 0 stands in for the first-order plant, which runs on
%       beneath it.
%   kxsim('lab', name, da, ad)
%       Places a ready-made plant, about 1 V out per volt in at rest:
%         'dcmotor'     a DC motor's speed (second order, 39 ms and 1 ms)
%         'heater'      a heated block (first order, 2 s, dead time 0.25 s)
%         'tanks'       two coupled tanks, linearised (13.1 s and 1.9 s)
%         'massspring'  a mass-spring-damper (20 rad/s, damping 0.1)
%       Their physics and parameters: sim/README.md, "Lab plants".
%   kxsim('unplant', ad)
%       Removes the plant placed on AD channel ad: the channel reads its
%       wiring again.
%   kxsim('limits', ad, lo, hi)
%       Holds the output of the plant placed on AD channel ad within lo
%       to hi volts (-Inf, Inf: no limits); its state runs on unheld.
%   kxsim('signal', channel, kind, amplitude, frequency, phase, offset)
%       Adds a periodic wave to AD channel channel, in place of the one it
%       had: offset + amplitude w(2 pi frequency t + phase), t the seconds
%       since this call, frequency in Hz, phase in radians. kind is
%       'sine', 'square' (+1 the first half period, -1 the second),
%       'triangle' (-1 to +1 and back), 'sawtooth' (-1 rising to +1), or
%       'none' to remove the wave.
%   kxsim('noise', channel, sigma, seed)
%       Adds Gaussian noise of sigma volts to AD channel channel (0
%       removes it), from seed (a whole number, 0 to 2^53): a function of
%       the board time since this call, the same numbers on every
%       machine.
%   v = kxsim('analog', channel)
%       What AD channel channel carries now, in volts, before the
%       conversion clips and quantises it.
%
%   Any other call raises an error that names the accepted forms, and a
%   value out of a form's range one that names the range (identifier
%   KX4410:kxsim:badCall), and so does a form whose arguments the board
%   refuses, saying what it needs, e.g. "kxsim('tf', da, ad, num, den,
%   delay): num's degree is at most den's: the transfer function is
%   proper"; a refused call changes nothing.
%
%   Through the driver server (the simulated board beside it), a form
%   whose call finds no server raises "KX4410 driver server not running: "
%   and the reason: the server program is missing or cannot be started,
%   or the server has ended (identifier KX4410:kxsim:noServer). After an
%   end, kxsim('reset') or KX4410_InitDriverAndBoard starts a new one.
%
%   Example: a failing AD read, and the calls that led to it
%     kxsim('reset'); KX4410_InitDriverAndBoard(0); kxsim('clearlog');
%     kxsim('inject', 'ReadAnalogIn', 2, 9);
%     try, v = KX4410_ReadAD(0, 0, 0, 3); catch err, disp(err.message); end
%     L = kxsim('log'); disp({L.op})
%
%   Example: a mass-spring-damper's step, sampled every millisecond
%     kxsim('reset'); KX4410_InitDriverAndBoard(0);
%     kxsim('lab', 'massspring', 0, 2);
%     kxsim('noise', 2, 0.005, 1);
%     done = KX4410_SendDA(0, 2047 + 204);
%     y = KX4410_ReadAD(2, 0, 0, 1000, 990);
%
%   See also Contents, kx4410_demo, kx4410_lab_demo.
