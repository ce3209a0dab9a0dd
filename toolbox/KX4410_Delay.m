%KX4410_DELAY  Wait a number of microseconds with the KX4410 driver.
%   KX4410_Delay(micros)
%
%   Waits micros microseconds (rounded toward zero) with one driver wait.
%   Returns no result. The wait blocks the session for its whole length.
%
%   Argument:
%     micros   at most 8191. There is no lower bound: 0 is a zero wait,
%              and a negative value is passed to the driver, which answers
%              for it (the simulated board refuses it).
%
%   Errors, each with its identifier (err.identifier):
%     KX4410:nargout            This function does not yield any result value!
%     KX4410:nargin             This function needs the number of 1 microsecond units to wait!
%     KX4410:Delay:micros       KX4410 cannot delay more than 8191 microsecs. units!
%     KX4410:Delay:delayFailed  KX4410 error at delaying!
%     KX4410:notNumeric         KX4410 argument is empty or not numeric!
%
%   Example:
%     KX4410_InitDriverAndBoard(0);
%     KX4410_Delay(500)
%
%   See also KX4410_SendPWM.
