function pid = kx_server_pid ()
  % KX_SERVER_PID  The process id of the driver server this Octave started:
  % its own child named kxdrv-server, still running; 0 for none.
  pid = 0;
  entries = dir ("/proc");
  for k = 1:numel (entries)
    candidate = str2double (entries(k).name);
    if (isnan (candidate))
      continue;
    endif
    [state, parent, name] = kx_proc_stat (candidate);
    if (strcmp (name, "kxdrv-server") && parent == getpid () && ! any (state == "ZX"))
      pid = candidate;
      return;
    endif
  endfor
endfunction
