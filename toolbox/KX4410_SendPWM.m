%KX4410_SENDPWM  A software PWM wave on a KX4410 analog output.
%   done = KX4410_SendPWM(channel, high, period, duty, periods)
%
%   For each period: writes the high level to the DA channel, waits the
%   duty cycle, writes the low level 2047 (about 0 V) and waits out the
%   rest of the period. All timing is the driver's microsecond wait; the
%   two writes of each period come on top of it. After the call the
%   channel rests at code 2047.
%
%   Arguments:
%     channel   DA output channel, 0 or 1
%     high      high level, a DA code from 0 to 4095
%     period    period of the wave in MILLISECONDS, 1 or more (rounded
%               toward zero)
%     duty      duty cycle: the high time in MICROSECONDS, 0 to 8191 and
%               below period x 1000 (rounded toward zero)
%     periods   number of periods, above 0; a fraction is rounded up
%
%   Result:
%     done      0 (1 x 1 double), after the last period
%
%   The call blocks the session for the whole wave: periods x period
%   milliseconds and more. Call it with its result (done = ...): as a
%   statement (no result asked for) it raises "This function yields one
%   result value!" and makes no wave.
%
%   Ctrl-C stops the wave after the wait it falls in, at most about 8.2 ms
%   later (a wait is 8191 us at most): the channel is set to 2047, where a
%   finished wave rests, and the call raises "KX4410 run interrupted!" and
%   returns no result (or "KX4410 error at DA sending!" if that write
%   fails).
%   In a script, try/catch catches it like any other error; one Ctrl-C
%   stops one call, and the statements after it run as usual.
%
%   Errors, each with its identifier (err.identifier):
%     KX4410:nargout                     This function yields one result value!
%     KX4410:nargin                      This function needs: <the argument list>   (not 5 arguments)
%     KX4410:SendPWM:channel             KX4410 has only DA channels #0 and #1!
%     KX4410:SendPWM:amplitude           KX4410 can only output digital amplitudes within 0-4095!
%     KX4410:SendPWM:period              KX4410 can only measure periods greater than 0 milliseconds!
%     KX4410:SendPWM:dutyCycle           KX4410 can only measure duty cycles between 0-8191 microseconds!
%     KX4410:SendPWM:periodCount         KX4410 can only generate PWM of some length!
%     KX4410:SendPWM:dutyNotBelowPeriod  KX4410 does not generate PWM with duty cycle greater or equal than the period!
%     KX4410:SendPWM:writeFailed         KX4410 error at DA sending!
%     KX4410:SendPWM:dutyDelayFailed     KX4410 error at delaying duty cycle!
%     KX4410:SendPWM:restDelayFailed     KX4410 error at delaying rest of cycle!
%     KX4410:SendPWM:interrupted         KX4410 run interrupted!
%     KX4410:notNumeric                  KX4410 argument is empty or not numeric!
%
%   Example: 20 periods of 2 ms on DA 1, high (+5 V) for 500 us each
%     KX4410_InitDriverAndBoard(0);
%     done = KX4410_SendPWM(1, 3071, 2, 500, 20);
%
%   See also KX4410_SendDA, KX4410_Delay.
