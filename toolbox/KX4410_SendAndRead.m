%KX4410_SENDANDREAD  Write DA codes and read an AD input, time-stamped.
%   r = KX4410_SendAndRead(adChannel, config, cardType, daChannel, codes, delay)
%
%   Drives a plant open-loop and records its response. Configures the AD
%   channel, starts counter 2 of the board's interval timer, then for each
%   code: writes it to the DA channel, reads one AD sample right after,
%   reads the timer, and waits delay microseconds.
%
%   Arguments:
%     adChannel  AD input channel, 0 to 15
%     config     configuration code of the AD channel, 0-11 or 16-27 (see
%                KX4410_ReadAD)
%     cardType   type of card, 0 to 1 (tested, not used further)
%     daChannel  DA output channel, 0 to 1 (a fraction is rounded toward
%                zero)
%     codes      row or column vector of DA codes, each 0 to 4095; every
%                code is tested before the first one is written
%     delay      wait after each step in microseconds, 0 to 8191
%
%   Result:
%     r          1 x 2n double row for n codes: r(1:n) the readings in
%                volts, r(k) read right after codes(k) was written;
%                r(n+1:2n) the times in seconds of those readings, since
%                the timer was started just before the first step
%
%   Time stamps: the timer wraps every 65536 counts of 62.5 ns, 4.096 ms.
%   A step (the delay plus the step's own work) of 4.096 ms or longer adds
%   only what is left over of it modulo 4.096 ms: time stamps are exact
%   only while every step is shorter than that, so keep delay below about
%   4000 us. The call blocks the session for the whole sequence. Call it
%   with its result: as a statement (no result asked for) it raises "This
%   function yields one result value!" and does nothing.
%
%   Ctrl-C stops the sequence after the step it falls in, at most the
%   delay (8191 us) and one step's own work later: the call raises "KX4410
%   run interrupted!" and returns no result; the DA keeps the last code
%   written.
%   In a script, try/catch catches it like any other error; one Ctrl-C
%   stops one call, and the statements after it run as usual.
%
%   Errors, each with its identifier (err.identifier):
%     KX4410:nargout                      This function yields one result value!
%     KX4410:nargin                       This function needs: <the argument list>   (not 6 arguments)
%     KX4410:SendAndRead:adChannel        KX4410 input channel out of range!
%     KX4410:SendAndRead:daChannel        KX4410 output channel out of range!
%     KX4410:SendAndRead:configCode       KX4410 configuration code out of range!
%     KX4410:SendAndRead:cardType         KX4410 card type out of range!
%     KX4410:SendAndRead:delay            KX4410 delay value out of range!
%     KX4410:SendAndRead:notVector        KX4410 needs a vector array to send!
%                                         (not a vector, or a result row
%                                         of twice its length would take
%                                         more than half of the machine's
%                                         physical memory or a quarter of
%                                         the process's address space)
%     KX4410:SendAndRead:code             KX4410 DA channels only can output digital values from 0 to 4095!
%     KX4410:SendAndRead:configureFailed  KX4410 error in setting quantification window!
%     KX4410:SendAndRead:boardInfoFailed  KX4410 error retrieving active board information!
%     KX4410:SendAndRead:timerFailed      KX4410 error starting the interval timer!
%     KX4410:SendAndRead:writeFailed      KX4410 error at DA sending!
%     KX4410:SendAndRead:readFailed       KX4410 error at reading AD!
%     KX4410:SendAndRead:interrupted      KX4410 run interrupted!
%     KX4410:notNumeric                   KX4410 argument is empty or not numeric!
%
%   Example: a step response of the plant from DA 0 to AD 0, 1 ms a step
%     KX4410_InitDriverAndBoard(0);
%     codes = [2047 * ones(1, 20), 2457 * ones(1, 280)];   % 0 V, then 2 V
%     r = KX4410_SendAndRead(0, 0, 0, 0, codes, 1000);
%     n = numel(codes);
%     plot(r(n+1:end), r(1:n)); xlabel('time (s)'); ylabel('AD 0 (V)');
%
%   See also KX4410_PID, KX4410_SendDA, KX4410_ReadAD.
