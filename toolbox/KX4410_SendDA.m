%KX4410_SENDDA  Write codes to a KX4410 analog output.
%   done = KX4410_SendDA(channel, code)
%   done = KX4410_SendDA(channel, anyValue, codes)
%   done = KX4410_SendDA(channel, anyValue, codes, delay)
%
%   Writes one 12-bit code, or a vector of codes in element order, to DA
%   channel 0 or 1, waiting delay microseconds after each write (the last
%   one included). Every code is tested before the first one is written:
%   a refused call leaves the output as it was. The output keeps the last
%   code written. A code c stands for c / 204.75 - 10 volts: 0 is -10 V,
%   2047 about 0 V, 4095 +10 V.
%
%   Arguments:
%     channel   DA output channel, 0 or 1
%     code      the one code to write, 0 to 4095 (a fraction is rounded
%               toward zero); with three or four arguments this second
%               argument is neither tested nor used
%     codes     row or column vector of codes, each 0 to 4095; an empty
%               vector writes nothing
%     delay     wait after each write in microseconds, 0 to 8191 (default
%               0: no wait)
%
%   Result:
%     done      0 (1 x 1 double), once the last code is written
%
%   The call blocks the session until the last write and its wait. Call
%   it with its result (done = ...): as a statement (no result asked for)
%   it raises "This function yields one result value!" and writes nothing.
%
%   Ctrl-C stops the writes after the one it falls in and its wait, at
%   most about 8.2 ms later: the call raises "KX4410 run interrupted!" and
%   returns no result; the output keeps the last code written.
%   In a script, try/catch catches it like any other error; one Ctrl-C
%   stops one call, and the statements after it run as usual.
%
%   Errors, each with its identifier (err.identifier):
%     KX4410:nargout             This function yields one result value!
%     KX4410:nargin              This function needs: <the argument list>
%                                (fewer than 2 or more than 4 arguments)
%     KX4410:SendDA:notVector    KX4410 needs a vector array to send!
%     KX4410:SendDA:delay        KX4410 cannot delay that value!
%     KX4410:SendDA:channel      KX4410 has only DA channels #0 and #1!
%     KX4410:SendDA:code         KX4410 DA channels only can output digital values from 0 to 4095!
%     KX4410:SendDA:writeFailed  KX4410 error at DA sending!
%     KX4410:SendDA:delayFailed  KX4410 error at delaying!
%     KX4410:SendDA:interrupted  KX4410 run interrupted!
%     KX4410:notNumeric          KX4410 argument is empty or not numeric!
%
%   Example: a staircase on DA 1, 1 ms per step
%     KX4410_InitDriverAndBoard(0);
%     done = KX4410_SendDA(1, 0, 2047:200:4095, 1000);
%
%   See also KX4410_ReadAD, KX4410_SendPWM.
