## kxsim through the driver server (build/toolbox-bridge only): once the
## server has ended, every form says that no server runs and why, with its
## own identifier; a form's own refusals still come first; the board's
## power-on brings a server back.

%!test
%! kx_open ();
%! server = kx_server_pid ();
%! assert (server > 0);
%! assert (kill (server, 9), 0);
%! assert (kx_server_ended (server));
%! forms = {{"clock", "real"}, {"now"}, {"inject", "ReadAnalogIn", 1, 3}, {"log"}, {"log", "compact"}, ...
%!          {"clearlog"}, {"logging", true}, {"logcapacity", 5}, {"ad", 2, [1 2]}, ...
%!          {"timer", 100}, {"boards", 2}, {"versions", 1, 2}, {"plant", 1, 0.1}, ...
%!          {"level", 2, 1}, {"da", 0}, {"tf", 0, 2, 1, [0.01 1], 0}, {"limits", 2, -1, 1}, ...
%!          {"unplant", 2}, {"lab", "heater", 0, 3}, {"signal", 4, "sine", 1, 50, 0, 0}, ...
%!          {"noise", 5, 0.1, 7}, {"analog", 2}};
%! for k = 1:numel (forms)
%!   id = "";
%!   msg = "";
%!   try
%!     kxsim (forms{k}{:});
%!   catch err
%!     id = err.identifier;
%!     msg = err.message;
%!   end_try_catch
%!   assert ({forms{k}{1}, id}, {forms{k}{1}, "KX4410:kxsim:noServer"});
%!   assert (msg, "kxsim: KX4410 driver server not running: the driver server ended (killed by signal 9)");
%! endfor
%! assert (kx_server_pid (), 0);
%! assert (kx_message ("kxsim ('da', 2)"), "kxsim: code = kxsim('da', channel): channel is 0 or 1");
%! kxsim ("reset");
%! assert (kx_server_pid () > 0);
%! assert (kxsim ("da", 0), 2047);
%! out = evalc ("[status, boards] = KX4410_InitDriverAndBoard (0);");
%! assert ([status, boards], [0, 1]);
