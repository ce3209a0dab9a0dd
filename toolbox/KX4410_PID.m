%KX4410_PID  A PID control loop through the KX4410 board.
%   [t, y, e, u] = KX4410_PID(adChannel, config, cardType, daChannel, ...
%                             reference, period, Kp, Ki, Kd)
%
%   Closes a control loop from an AD input (the plant's output) to a DA
%   output (the plant's input), one step per element of reference.
%   Configures the AD channel and starts counter 2 of the board's interval
%   timer; then each step reads the timer, reads y from the AD channel,
%   computes
%     e = reference(k) - y
%     u = Kp * e + Ki * (sum of the errors so far) + Kd * de/dt
%   writes u to the DA channel, and waits period microseconds. The integral
%   is the plain sum of the errors, not weighted by time; de/dt divides by
%   the measured step time in seconds (the derivative term is 0 at the
%   first step, and held when two steps read the same time). The DA takes
%   u rounded toward zero to whole volts and limited to -10 ... +10 V:
%   one of 21 levels (a NaN u gives 0 V). The DA keeps the last level.
%
%   Arguments:
%     adChannel  AD input channel, 0 to 15
%     config     configuration code of the AD channel, 0-11 or 16-27 (see
%                KX4410_ReadAD)
%     cardType   type of card, 0 to 1 (tested, not used further)
%     daChannel  DA output channel, 0 to 1 (a fraction is rounded toward
%                zero)
%     reference  row or column vector of the reference, in volts
%     period     wait after each step in microseconds, 0 to 8191
%     Kp, Ki, Kd the P, I and D constants
%
%   Results, four 1 x n double rows for a reference of n elements, all
%   four required:
%     t   time of each step in seconds, since the timer was started
%     y   the plant's output, in volts
%     e   the error, in volts
%     u   the control value before it is rounded and limited, in volts
%
%   Time stamps: the timer wraps every 65536 counts of 62.5 ns, 4.096 ms.
%   A step (the period plus the step's own work) of 4.096 ms or longer adds
%   only what is left over of it modulo 4.096 ms: t, and with it de/dt, is
%   exact only while every step is shorter than that, so keep period below
%   about 4000 us. The call blocks the session for the whole run.
%
%   Ctrl-C stops the run after the step it falls in, at most the period
%   (8191 us) and one step's own work later: the DA channel is set to 2047
%   (0 V, the code of a zero control value) and the call raises "KX4410
%   run interrupted!" and returns no results (or "KX4410 error at DA
%   sending!" if that write fails).
%   In a script, try/catch catches it like any other error; one Ctrl-C
%   stops one call, and the statements after it run as usual.
%
%   Errors, each with its identifier (err.identifier):
%     KX4410:nargout              This function yields four result values (time samples, system output, error signal, and control signal)!
%     KX4410:nargin               This function needs: <the argument list>   (not 9 arguments)
%     KX4410:PID:adChannel        KX4410 input channel out of range!
%     KX4410:PID:daChannel        KX4410 output channel out of range!
%     KX4410:PID:configCode       KX4410 configuration code out of range!
%     KX4410:PID:cardType         KX4410 card type out of range!
%     KX4410:PID:period           KX4410 sample period out of range!
%     KX4410:PID:notVector        KX4410 needs a vector array as reference!
%                                 (not a vector, or four rows of its length
%                                 would take more than half of the
%                                 machine's physical memory or a quarter of
%                                 the process's address space)
%     KX4410:PID:configureFailed  KX4410 error in setting quantification window!
%     KX4410:PID:boardInfoFailed  KX4410 error retrieving active board information!
%     KX4410:PID:timerFailed      KX4410 error starting the interval timer!
%     KX4410:PID:readFailed       KX4410 error at reading AD!
%     KX4410:PID:writeFailed      KX4410 error at DA sending!
%     KX4410:PID:interrupted      KX4410 run interrupted!
%     KX4410:notNumeric           KX4410 argument is empty or not numeric!
%
%   Example: track a 2 V step on the plant from DA 0 to AD 0, 1 ms a step
%     KX4410_InitDriverAndBoard(0);
%     ref = [zeros(1, 50), 2 * ones(1, 350)];
%     [t, y, e, u] = KX4410_PID(0, 0, 0, 0, ref, 1000, 3, 0.1, 0.002);
%     plot(t, ref, t, y, t, u); xlabel('time (s)'); ylabel('volts');
%     legend('reference', 'output', 'control');
%
%   See also KX4410_SendAndRead, kxsim.

%!demo
%! % A 2 V step tracked on the simulated board's plant, DA 0 -> AD 0.
%! kxsim ("reset");
%! KX4410_InitDriverAndBoard (0);
%! ref = [zeros(1, 50), 2 * ones(1, 350)];
%! [t, y, e, u] = KX4410_PID (0, 0, 0, 0, ref, 1000, 3, 0.1, 0.002);
%! printf ("output %.3f V after %.3f s; mean |e| of the last 50 steps %.5f V\n", ...
%!         y(end), t(end), mean (abs (e(end-49:end))));
%! plot (t, ref, t, y, t, u);
%! xlabel ("time (s)");
%! ylabel ("volts");
%! legend ("reference", "output", "control");
%! KX4410_CloseDriverAndBoard;

%!test
%! kxsim ("reset");
%! KX4410_InitDriverAndBoard (0);
%! [t, y, e, u] = KX4410_PID (0, 0, 0, 0, [1, 1, 1], 100, 0, 0, 0);
%! assert (size (t), [1, 3]);
%! assert (all (diff (t) > 0));
%! assert (u, zeros (1, 3));
%! assert (kxsim ("da", 0), 2047);
