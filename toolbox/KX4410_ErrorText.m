%KX4410_ERRORTEXT  The name of a KX4410 driver status code.
%   name = KX4410_ErrorText(code)
%
%   Returns the driver's name for a status code as a character row, for
%   instance for the status result of KX4410_InitDriverAndBoard or the
%   number in its "Driver Error at Initialization" line. Calls no driver
%   operation: it works with or without a session, and without a board.
%
%   Argument:
%     code   a status code. It is truncated toward zero and taken modulo
%            65536 (the driver's 16-bit status word), so -1 is 65535 and
%            65537 is 1; NaN and infinities give 0.
%
%   Result:
%     name   0 NoError               13 DaChannelError
%            1 DriverHandleError     14 InvalidateDelay
%            2 DriverCallError       15 DelayTimeOut
%            3 AdControllerError     16 InvalidateData
%            4 M_FunExecError        17 FifoOverflow
%            5 ConfigCodeError       18 TimeOut
%            6 FrequencyComputeError 19 ExceedBoardNumber
%            7 HighAlarm             20 NotFoundBoard
%            8 LowAlarm              21 OpenError
%            9 AdPollingTimeOut      22 FindTwoBoardError
%           10 AlarmTypeError        23 ThreadCreateError
%           11 FindBoardError        24 StopError
%           12 AdChannelError        25 AllocateMemoryError
%            every other code: UNKNOWN_ERROR_CODE
%
%   Errors, each with its identifier (err.identifier):
%     KX4410:nargout     This function yields one result value!
%                        (also when called as a statement, without a result)
%     KX4410:nargin      This function needs the code of the error!
%     KX4410:notNumeric  KX4410 argument is empty or not numeric!
%
%   Example:
%     status = KX4410_InitDriverAndBoard(0);
%     disp(KX4410_ErrorText(status))
%
%   See also KX4410_InitDriverAndBoard.

%!assert (KX4410_ErrorText (9), "AdPollingTimeOut")
%!assert (KX4410_ErrorText (26), "UNKNOWN_ERROR_CODE")
