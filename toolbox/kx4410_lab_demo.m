function runs = kx4410_lab_demo(png, clock)
%KX4410_LAB_DEMO  PID tuning on the simulated mass-spring, with a plot.
%   kx4410_lab_demo
%   kx4410_lab_demo(png)
%   kx4410_lab_demo(png, clock)
%   runs = kx4410_lab_demo(...)
%
%   Places the lab's mass-spring-damper (kxsim('lab', 'massspring', 0, 2):
%   20 rad/s, damping ratio 0.1) from DA 0 to AD 2 of the simulated board,
%   takes its open-loop response to a 2 V step with KX4410_SendAndRead and
%   prints its overshoot and settling time; then tunes KX4410_PID on it,
%   1 ms a step: P alone, then the D term added, each with its overshoot,
%   settling time and final error, and last the whole PID, whose run is
%   summed up as kx4410_demo sums up its own. The open-loop step and the
%   three closed-loop runs (reference, outputs, control) are plotted into
%   the PNG file png (default kx4410_lab.png in the current folder), a
%   900 x 900 image.
%
%   clock is 'virtual' (the default: board time moves only by the driver's
%   calls; the runs take no real time and their numbers repeat exactly) or
%   'real' (board time is real time: the runs take about seven seconds).
%
%   Each run starts from rest: the plant is placed anew before it. The
%   integral term of KX4410_PID sums the errors step by step, so with
%   1 ms steps Ki = 0.03 integrates at 30 per second.
%
%   runs, if asked for, is a 1 x 4 struct array, one element per run
%   (the open loop, P, PD, PID), with fields name, gains ([Kp Ki Kd], empty
%   for the open loop), k0 (the index of the step), t, ref, y and u (1 x n
%   rows: times in seconds, reference, output and control in volts; for
%   the open loop ref and u are the DA output), board (seconds of board
%   time the run covered) and wall (seconds it took on this machine).
%
%   The simulated board is reset first; the demo closes the driver at the
%   end.
%
%   Example: the demo on the virtual clock, its plot in a temporary file
%     png = [tempname() '.png'];
%     runs = kx4410_lab_demo(png);
%     delete(png);
%
%   See also kx4410_demo, kxsim, KX4410_PID, KX4410_SendAndRead.

  if nargin < 1 || isempty(png)
    png = fullfile(pwd, 'kx4410_lab.png');
  end
  if nargin < 2
    clock = 'virtual';
  end

  kxsim('reset');
  kxsim('clock', clock);
  da = 0;
  ad = 2;
  % The lab's massspring, as sim/README.md gives it.
  den = [0.5 2 200];
  wn = sqrt(den(3) / den(1));
  zeta = den(2) / (2 * sqrt(den(1) * den(3)));
  period = 1000;
  step = 2;

  section('1. Driver session');
  [status, boards] = KX4410_InitDriverAndBoard();
  fprintf('status %d (%s), %d board(s)\n', status, KX4410_ErrorText(status), boards);

  section(sprintf('2. The lab''s mass-spring-damper from DA %d to AD %d', da, ad));
  place(da, ad);
  fprintf('y/u = 200 / (0.5 s^2 + 2 s + 200): %g rad/s, damping ratio %g\n', wn, zeta);

  section(sprintf('3. Open-loop step of %g V, send and read, %d us steps', step, period));
  k0 = 101;
  codes = [2047 * ones(1, k0 - 1), (step + 10) * 204.75 * ones(1, 3900)];
  [r, board, wall] = timed(@() KX4410_SendAndRead(ad, 0, 0, da, codes, period));
  n = numel(codes);
  volts = codes / 204.75 - 10;
  runs = record('open loop', [], k0, r(n+1:end), volts, r(1:n), volts, board, wall);
  [overshoot, settling, rest, final] = step_figures(runs);
  [peak, kp] = max(runs.y);
  fprintf('%d steps, %.3f s by the time stamps (%.3f s of board time)\n', n, ...
          runs.t(end), board);
  stamps(runs);
  fprintf('output %.3f V before the step, %.3f V at the end\n', rest, final);
  fprintf('peak %.3f V, %.4f s after the step\n', peak, runs.t(kp) - runs.t(k0));
  fprintf('overshoot:                %.2f %% (%.2f %% by the damping ratio)\n', overshoot, ...
          100 * exp(-pi * zeta / sqrt(1 - zeta^2)));
  fprintf('settling time (2 %% band): %.4f s\n', settling);

  ref = [zeros(1, k0 - 1), step * ones(1, 700)];
  section(sprintf('4. Tuning KX4410_PID, %d us steps: P alone, then D added', period));
  fprintf('%-4s %5s %6s %6s %11s %10s %13s\n', '', 'Kp', 'Ki', 'Kd', 'overshoot', 'settling', ...
          'final error');
  tries = {'P', [3 0 0]; 'PD', [3 0 0.12]};
  for k = 1:size(tries, 1)
    runs(end + 1) = closed_loop(tries{k, 1}, tries{k, 2}, da, ad, k0, ref, period);
    [overshoot, settling, rest, final] = step_figures(runs(end));
    if isnan(settling)
      within = '-';
    else
      within = sprintf('%.4f s', settling);
    end
    fprintf('%-4s %5g %6g %6g %9.2f %% %10s %11.5f V\n', tries{k, 1}, tries{k, 2}, ...
            overshoot, within, final);
  end
  fprintf('(-: still outside the 2 %% band when the run ends)\n');

  g = [4 0.03 0.15];
  section(sprintf('5. PID on the plant: Kp %g, Ki %g, Kd %g, %d us steps', g, period));
  runs(end + 1) = closed_loop('PID', g, da, ad, k0, ref, period);
  [overshoot, settling, rest, final] = step_figures(runs(end));
  t = runs(end).t;
  fprintf('%d steps, %.3f s by the time stamps (%.3f s of board time)\n', ...
          numel(ref), t(end), runs(end).board);
  stamps(runs(end));
  fprintf('step of %g V at t = %.4f s\n', step, t(k0));
  fprintf('settling time (2 %% band): %.4f s\n', settling);
  fprintf('overshoot:                %.2f %%\n', overshoot);
  fprintf('final error:              %.5f V (mean |e| of the last 100 steps)\n', final);

  plot_runs(png, runs);
  fprintf('plot: %s\n', png);

  section('6. End of the session');
  KX4410_CloseDriverAndBoard;
  if nargout == 0
    clear runs
  end
end

function section(title)
  fprintf('\n== %s\n', title);
end

function stamps(r)
  % The timer wraps every 4.096 ms: a step that the host held up longer
  % than that is counted modulo the wrap, and the time stamps fall short
  % of the board time by a wrap or more, where else only the last wait
  % and the call's own work lie between them.
  short = r.board - r.t(end);
  if short > 4.096e-3
    fprintf('(time stamps %.1f ms short: steps held up past 4.096 ms count modulo it)\n', ...
            short * 1e3);
  end
end

function place(da, ad)
  % Each run starts from rest, the DA at 0 V: a plant placed anew is at
  % rest, where the old one would ring on for seconds.
  kxsim('unplant', ad);
  done = KX4410_SendDA(da, 2047);
  kxsim('lab', 'massspring', da, ad);
end

function varargout = timed(call)
  t0 = kxsim('now');
  w0 = tic;
  [varargout{1:nargout-2}] = call();
  varargout{nargout} = toc(w0);
  varargout{nargout-1} = kxsim('now') - t0;
end

function r = closed_loop(name, gains, da, ad, k0, ref, period)
  place(da, ad);
  g = gains;
  [t, y, e, u, board, wall] = timed(@() KX4410_PID(ad, 0, 0, da, ref, period, g(1), g(2), g(3)));
  r = record(name, gains, k0, t, ref, y, u, board, wall);
end

function r = record(name, gains, k0, t, ref, y, u, board, wall)
  r = struct('name', name, 'gains', gains, 'k0', k0, 't', t, 'ref', ref, 'y', y, ...
             'u', u, 'board', board, 'wall', wall);
end

% The step's figures: overshoot (%) over the step's final value, the time
% from the step to the last sample outside the 2 % band (NaN if the run
% ends outside it), the output before the step, and the final value: the
% mean output of the last 500 steps for the open loop (its ringing has
% died down to well under a millivolt by then), the mean |error| of the
% last 100 for a closed loop.
function [overshoot, settling, rest, final] = step_figures(r)
  k0 = r.k0;
  after = k0:numel(r.y);
  rest = mean(r.y(1:k0-1));
  if isempty(r.gains)
    final = mean(r.y(end-499:end));
    target = final;
    height = final - rest;
  else
    final = mean(abs(r.ref(end-99:end) - r.y(end-99:end)));
    target = r.ref(end);
    height = r.ref(end) - r.ref(1);
  end
  overshoot = max(0, (max(r.y(after)) - target) / height * 100);
  outside = find(abs(r.y(after) - target) > 0.02 * abs(height), 1, 'last');
  if isempty(outside)
    settling = 0;
  elseif outside == numel(after)
    settling = NaN;
  else
    settling = r.t(after(outside + 1)) - r.t(k0);
  end
end

function plot_runs(png, runs)
  % Octave's octave-cli has only gnuplot, which warns that it is not
  % maintained; MATLAB knows no such warning and ignores this.
  warning('off', 'Octave:gnuplot-graphics');
  % 9 x 9 inches at 100 dots per inch: a 900 x 900 image.
  fig = figure('visible', 'off', 'PaperUnits', 'inches', 'PaperPosition', [0 0 9 9]);
  ol = runs(1);
  subplot(3, 1, 1);
  plot(ol.t, ol.ref, 'k--', ol.t, ol.y, 'b-', 'linewidth', 2);
  xlim([0, ol.t(end)]);
  ylabel('volts');
  title('The mass-spring-damper open loop: DA 0 stepped to 2 V, AD 2', 'interpreter', 'none');
  legend('DA 0 output', 'AD 2', 'location', 'northeast');
  [p, pd, pid] = deal(runs(2), runs(3), runs(4));
  subplot(3, 1, 2);
  plot(pid.t, pid.ref, 'k--', p.t, p.y, 'm-', pd.t, pd.y, 'g-', pid.t, pid.y, 'b-', ...
       'linewidth', 2);
  xlim([0, pid.t(end)]);
  ylim([-0.75, 1.5] * max(abs(pid.ref)));
  ylabel('volts');
  title(sprintf('KX4410_PID on it: P (Kp %g), PD (Kp %g, Kd %g), PID (Kp %g, Ki %g, Kd %g)', ...
                p.gains(1), pd.gains([1 3]), pid.gains), 'interpreter', 'none');
  legend('reference', 'output, P', 'output, PD', 'output, PID', 'location', 'south', ...
         'orientation', 'horizontal');
  subplot(3, 1, 3);
  % The DA takes u in whole volts within -10 ... 10 V; the derivative's
  % kick at the step goes far beyond the axis.
  applied = max(-10, min(10, fix(pid.u)));
  plot(pid.t, pid.u, 'r-', pid.t, applied, 'g-', 'linewidth', 2);
  xlim([0, pid.t(end)]);
  ylim([min([applied, 0]) - 2, 12]);
  xlabel('time (s)');
  ylabel('volts');
  title('The PID''s control', 'interpreter', 'none');
  legend('control u', 'DA 0 output', 'location', 'north', 'orientation', 'horizontal');
  print(fig, png, '-dpng', '-r100');
  close(fig);
end

%!demo
%! % On the virtual clock, the plot in the temporary folder.
%! kx4410_lab_demo (fullfile (tempdir (), "kx4410_lab.png"));
