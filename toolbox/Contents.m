% KX4410 toolbox: the KX4410 PCI data-acquisition board from Octave/MATLAB.
%
% Driver session
%   KX4410_InitDriverAndBoard  - Open the driver and activate board 0.
%   KX4410_CloseDriverAndBoard - Close the driver.
%   KX4410_ErrorText           - The name of a driver status code.
%
% Single-shot input and output
%   KX4410_ReadAD              - Readings of one analog input, in volts.
%   KX4410_SendDA              - Write codes to an analog output.
%   KX4410_SendPWM             - A software PWM wave on an analog output.
%   KX4410_Delay               - Wait a number of microseconds.
%
% Timed sequences and control
%   KX4410_SendAndRead         - Write DA codes and read an AD input, time-stamped.
%   KX4410_PID                 - A PID control loop through the board.
%
% Simulated board
%   kxsim                      - Control the simulated board.
%   kx4410_demo                - A whole session on the simulated board, with a plot.
%
% Units: waits in microseconds (at most 8191 per wait), PWM period in
% milliseconds, time stamps in seconds, analog values in volts, DA codes
% 0 to 4095 (code / 204.75 - 10 volts). Long calls block the session until
% they end; Ctrl-C stops those of KX4410_ReadAD, KX4410_SendDA,
% KX4410_SendPWM, KX4410_SendAndRead and KX4410_PID within one wait (about
% 8.2 ms), with the error "KX4410 run interrupted!". Type "help <function>"
% for each function's call forms.
