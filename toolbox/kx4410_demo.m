function kx4410_demo(png, clock)
%KX4410_DEMO  A whole session on the simulated KX4410 board, with a plot.
%   kx4410_demo
%   kx4410_demo(png)
%   kx4410_demo(png, clock)
%
%   Runs a session of the toolbox on the simulated board and prints what
%   each step did: the banner, AD readings of set input levels, DA writes
%   read back through the DA 1 -> AD 1 loopback, a short PWM wave, the step
%   response of the plant (DA 0 -> AD 0, a first-order lag) taken with
%   KX4410_SendAndRead, and a PID run of KX4410_PID tracking a step
%   reference, with its settling time, overshoot and final error. The PID
%   run is plotted (reference, output and control against time) into the
%   PNG file png (default kx4410_pid.png in the current folder).
%
%   clock is 'real' (the default: board time is real time, the run takes
%   about two seconds) or 'virtual' (board time moves only by the driver's
%   calls; the run takes no time and its numbers repeat exactly).
%
%   The simulated board is reset first; the demo closes the driver at the
%   end.
%
%   See also kxsim, KX4410_PID, KX4410_SendAndRead.

  if nargin < 1 || isempty(png)
    png = fullfile(pwd, 'kx4410_pid.png');
  end
  if nargin < 2
    clock = 'real';
  end

  kxsim('reset');
  kxsim('clock', clock);
  gain = 1;
  tau = 0.05;
  kxsim('plant', gain, tau);

  section('1. Driver session');
  [status, boards] = KX4410_InitDriverAndBoard();
  fprintf('status %d (%s), %d board(s)\n', status, KX4410_ErrorText(status), boards);

  section('2. Analog inputs: five readings each, 100 us apart');
  inputs = [2 0 1.25; 3 7 3.3; 4 5 -0.2];   % channel, configuration code, volts
  ranges = {'+-10 V', '0..5 V', '+-0.5 V'};
  for k = 1:size(inputs, 1)
    kxsim('level', inputs(k, 1), inputs(k, 3));
    v = KX4410_ReadAD(inputs(k, 1), inputs(k, 2), 0, 5, 100);
    fprintf('AD %d, code %2d (%-7s): set %6.3f V, read %s V\n', inputs(k, 1), ...
            inputs(k, 2), ranges{k}, inputs(k, 3), sprintf(' %.4f', v));
  end

  section('3. DA 1 written, read back on AD 1 (the loopback)');
  fprintf('   code    DA volts    AD 1 reads\n');
  for code = [0 1024 2047 3071 4095]
    done = KX4410_SendDA(1, code);
    v = KX4410_ReadAD(1, 0, 0);
    fprintf('   %4d   %8.4f V   %8.4f V\n', code, code / 204.75 - 10, v);
  end

  section('4. PWM on DA 1: 5 periods of 2 ms, code 3071 high for 500 us');
  kxsim('clearlog');
  t0 = kxsim('now');
  done = KX4410_SendPWM(1, 3071, 2, 500, 5);
  took = kxsim('now') - t0;
  L = kxsim('log');
  writes = L(strcmp({L.op}, 'WriteAnalogOut'));
  codes = arrayfun(@(c) c.args(2), writes);
  fprintf('%d DA writes: %s\n', numel(codes), sprintf('%d ', codes));
  fprintf('wave took %.2f ms of board time; DA 1 rests at code %d\n', took * 1e3, ...
          kxsim('da', 1));

  section(sprintf('5. Step response of the plant (gain %g, tau %g s), send and read', ...
                  gain, tau));
  codes = [2047 * ones(1, 20), 2457 * ones(1, 280)];   % 0 V, then 2 V
  r = KX4410_SendAndRead(0, 0, 0, 0, codes, 1000);
  n = numel(codes);
  y = r(1:n);
  t = r(n+1:end);
  k0 = 21;
  final = mean(y(end-19:end));
  k63 = k0 - 1 + find(y(k0:end) >= 0.632 * final, 1);
  fprintf('%d steps in %.3f s; output 0 V -> %.3f V\n', n, t(end), final);
  fprintf('63.2 %% of the step reached %.4f s after it (tau %g s)\n', t(k63) - t(k0), tau);

  % Back to rest before the control run: 0 V on DA 0, 0.3 s of driver waits.
  done = KX4410_SendDA(0, 0, 2047 * ones(1, 60), 5000);

  Kp = 3;
  Ki = 0.1;
  Kd = 0.002;
  period = 1000;
  section(sprintf('6. PID on the plant: Kp %g, Ki %g, Kd %g, %d us steps', ...
                  Kp, Ki, Kd, period));
  step = 2;
  ref = [zeros(1, 50), step * ones(1, 350)];
  t0 = kxsim('now');
  [t, y, e, u] = KX4410_PID(0, 0, 0, 0, ref, period, Kp, Ki, Kd);
  board = kxsim('now') - t0;
  k0 = 51;
  after = k0:numel(ref);
  outside = find(abs(y(after) - step) > 0.02 * step, 1, 'last');
  if isempty(outside)
    settling = 0;
  else
    settling = t(after(min(outside + 1, numel(after)))) - t(k0);
  end
  overshoot = max(0, (max(y(after)) - step) / step * 100);
  final = mean(abs(e(end-49:end)));
  fprintf('%d steps, %.3f s by the time stamps (%.3f s of board time)\n', ...
          numel(ref), t(end), board);
  if t(end) < 0.95 * board
    % The timer wraps every 4.096 ms: a step that the host held up longer
    % than that is counted modulo the wrap.
    fprintf('(some steps took longer than 4.096 ms: their time stamps count modulo it)\n');
  end
  fprintf('step of %g V at t = %.4f s\n', step, t(k0));
  fprintf('settling time (2 %% band): %.4f s\n', settling);
  fprintf('overshoot:                %.2f %%\n', overshoot);
  fprintf('final error:              %.5f V (mean |e| of the last 50 steps)\n', final);

  plot_run(png, t, ref, y, u, Kp, Ki, Kd);
  fprintf('plot: %s\n', png);

  section('7. End of the session');
  KX4410_CloseDriverAndBoard;
end

function section(title)
  fprintf('\n== %s\n', title);
end

function plot_run(png, t, ref, y, u, Kp, Ki, Kd)
  % Octave's octave-cli has only gnuplot, which warns that it is not
  % maintained; MATLAB knows no such warning and ignores this.
  warning('off', 'Octave:gnuplot-graphics');
  % 9 x 6 inches at 100 dots per inch: a 900 x 600 image.
  fig = figure('visible', 'off', 'PaperUnits', 'inches', 'PaperPosition', [0 0 9 6]);
  % The DA takes u in whole volts within -10 ... 10 V.
  applied = max(-10, min(10, fix(u)));
  subplot(2, 1, 1);
  plot(t, ref, 'k--', t, y, 'b-', 'linewidth', 2);
  ylim([-0.25, 1.25] * max(abs(ref)));
  xlim([0, t(end)]);
  ylabel('volts');
  title(sprintf('KX4410_PID on the simulated plant: Kp %g, Ki %g, Kd %g', Kp, Ki, Kd), ...
        'interpreter', 'none');
  legend('reference', 'output (AD 0)', 'location', 'south', 'orientation', 'horizontal');
  subplot(2, 1, 2);
  plot(t, u, 'r-', t, applied, 'g-', 'linewidth', 2);
  xlim([0, t(end)]);
  xlabel('time (s)');
  ylabel('volts');
  legend('control u', 'DA 0 output', 'location', 'north', 'orientation', 'horizontal');
  print(fig, png, '-dpng', '-r100');
  close(fig);
end
