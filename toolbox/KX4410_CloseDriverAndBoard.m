%KX4410_CLOSEDRIVERANDBOARD  Close the KX4410 driver.
%   KX4410_CloseDriverAndBoard
%
%   Ends the driver session that KX4410_InitDriverAndBoard began: closes
%   the driver kxdrv, which deactivates board 0, and prints
%     KX4410 Board #0 Deactivated and Driver Closed.
%   The line is printed on every call, with or without an open session;
%   what the driver answers is not looked at. The DA outputs keep the last
%   codes written. Takes no argument and returns no result.
%
%   Errors, each with its identifier (err.identifier):
%     KX4410:nargout  This function does not yield any result value!
%     KX4410:nargin   This function does not need any argument!
%
%   Example:
%     KX4410_InitDriverAndBoard(0);
%     KX4410_CloseDriverAndBoard
%
%   See also KX4410_InitDriverAndBoard.
