function ended = kx_server_ended (pid)
  % KX_SERVER_ENDED  Waits until process pid has ended (a zombie counts),
  % at most a minute: false only when it never does.
  for k = 1:6000
    [state, ~, ~] = kx_proc_stat (pid);
    ended = isempty (state) || any (state == "ZX");
    if (ended)
      return;
    endif
    pause (0.01);
  endfor
endfunction
