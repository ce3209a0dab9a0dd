%KX4410_READAD  Readings of one KX4410 analog input, in volts.
%   readings = KX4410_ReadAD(channel, config, cardType)
%   readings = KX4410_ReadAD(channel, config, cardType, n)
%   readings = KX4410_ReadAD(channel, config, cardType, n, delay)
%
%   Configures AD channel channel with the input range that config selects,
%   then takes n conversions one after the other, waiting delay
%   microseconds after each one (the last one included).
%
%   Arguments:
%     channel   AD input channel, 0 to 15
%     config    configuration code: 0-11 single-ended, 16-27 differential
%               (code and code+16 select the same range):
%                 0 +-10 V   1 +-5 V   2 +-2.5 V   3 +-1.25 V
%                 4 +-1 V    5 +-0.5 V
%                 6 0..10 V  7 0..5 V  8 0..2.5 V  9 0..1.25 V
%                10 0..1 V  11 0..0.5 V
%     cardType  type of card, 0 or 1 (tested, not used further)
%     n         number of reads, above 0 (default 1); a fraction is
%               rounded down. The readings, 8 bytes each, may take at
%               most half of the machine's physical memory and a quarter
%               of the process's address space (a 32-bit MATLAB: 2^26
%               readings or fewer); a larger n is refused before the board
%               is touched.
%     delay     wait after each read in microseconds, 0 to 8191 (default
%               0: no wait)
%
%   Result:
%     readings  1 x n double row, in volts
%
%   The call blocks the session until the last reading and its wait. Call
%   it with its result: as a statement (no result asked for) it raises
%   "This function yields one result value!" and reads nothing.
%
%   Ctrl-C stops the readings after the one it falls in and its wait, at
%   most about 8.2 ms later: the call raises "KX4410 run interrupted!" and
%   returns no readings; the channel stays configured.
%   In a script, try/catch catches it like any other error; one Ctrl-C
%   stops one call, and the statements after it run as usual.
%
%   Errors, each with its identifier (err.identifier):
%     KX4410:nargout                 This function yields one result value!
%     KX4410:nargin                  This function needs: <the argument list>
%                                    (fewer than 3 or more than 5 arguments)
%     KX4410:ReadAD:channel          KX4410 AD channels range from #0 to #15!
%     KX4410:ReadAD:configCode       KX4410 configuration code invalid!
%     KX4410:ReadAD:cardType         KX4410 types of card can be only 0 or 1!
%     KX4410:ReadAD:readCount        KX4410 cannot read that number of data!
%                                    (n not above 0, or too many readings
%                                    for the machine's memory)
%     KX4410:ReadAD:delay            KX4410 cannot delay that number!
%     KX4410:ReadAD:configureFailed  KX4410 error in setting quantification window!
%     KX4410:ReadAD:readFailed       KX4410 error at reading AD!
%     KX4410:ReadAD:delayFailed      KX4410 error at delaying!
%     KX4410:ReadAD:interrupted      KX4410 run interrupted!
%     KX4410:notNumeric              KX4410 argument is empty or not numeric!
%
%   Example: ten readings of AD 2 in the +-10 V range, 100 us apart
%     KX4410_InitDriverAndBoard(0);
%     v = KX4410_ReadAD(2, 0, 0, 10, 100);
%
%   See also KX4410_SendDA, KX4410_SendAndRead.

%!test
%! kxsim ("reset");
%! KX4410_InitDriverAndBoard (0);
%! kxsim ("level", 2, 1.25);
%! kxsim ("clearlog");
%! v = KX4410_ReadAD (2, 0, 0, 4, 100);
%! assert (size (v), [1, 4]);
%! assert (v, 1.25 * ones (1, 4), 20 / 4095);
%! L = kxsim ("log");
%! assert ({L.op}, [{"ConfigureAnalogIn"}, repmat({"ReadAnalogIn", "DelayMicros"}, 1, 4)]);

%!test
%! try
%!   v = KX4410_ReadAD (16, 0, 0);
%!   error ("not raised");
%! catch err
%!   assert (err.message, "KX4410_ReadAD: KX4410 AD channels range from #0 to #15!");
%!   assert (err.identifier, "KX4410:ReadAD:channel");
%! end_try_catch

%!error id=KX4410:ReadAD:readFailed
%! kxsim ("reset");
%! KX4410_InitDriverAndBoard (0);
%! kxsim ("inject", "ReadAnalogIn", 2, 9);
%! v = KX4410_ReadAD (0, 0, 0, 3);
