%KX4410_INITDRIVERANDBOARD  Open the KX4410 driver and activate board 0.
%   KX4410_InitDriverAndBoard
%   KX4410_InitDriverAndBoard(verbose)
%   status = KX4410_InitDriverAndBoard(...)
%   [status, boardCount] = KX4410_InitDriverAndBoard(...)
%
%   Begins a driver session: opens the board driver kxdrv, makes board 0
%   the active board and queries the library and driver versions. Call it
%   before any other KX4410 function; KX4410_CloseDriverAndBoard ends the
%   session. The session belongs to the driver, not to this function: it
%   lasts until the driver is closed, also across "clear all".
%
%   Argument (optional):
%     verbose     0: quiet, nothing is printed on success. Any other value
%                 (the default is 1) prints the toolbox banner and a line
%                 after each step:
%                   KX4410 Driver Initialized Ok! (1 board(s)).
%                   KX4410 Board #0 activated ok!
%                   KX4410 DLL version 1a0, Driver version 203.
%
%   Results (optional, 1 x 1 doubles):
%     status      0 when the driver opened and board 0 is active; else the
%                 driver's status code (KX4410_ErrorText names it)
%     boardCount  the number of boards the driver found
%
%   A failed driver open raises no error: it prints, also when quiet,
%     KX4410 Driver Error at Initialization (<status>).
%   and returns the status code in status.
%
%   Errors, each with its identifier (err.identifier):
%     KX4410:nargout                            This function yields at most two result values!
%     KX4410:nargin                             This function only has an [optional] argument!
%     KX4410:InitDriverAndBoard:activateFailed  KX4410 Board #0 could not be activated.
%     KX4410:notNumeric                         KX4410 argument is empty or not numeric!
%
%   Example:
%     [status, boards] = KX4410_InitDriverAndBoard(0);
%     if status ~= 0, error(KX4410_ErrorText(status)); end
%
%   See also KX4410_CloseDriverAndBoard, KX4410_ErrorText.

%!test
%! kxsim ("reset");
%! out = evalc ("[status, boards] = KX4410_InitDriverAndBoard ();");
%! assert ([status, boards], [0, 1]);
%! assert (! isempty (strfind (out, "KX4410 Board #0 activated ok!")));
%! assert (evalc ("KX4410_CloseDriverAndBoard"), ...
%!         "KX4410 Board #0 Deactivated and Driver Closed.\n");
