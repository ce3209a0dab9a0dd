function [state, parent, name] = kx_proc_stat (pid)
  % KX_PROC_STAT  A process's state letter, parent and name from
  % /proc/PID/stat; "" , 0 and "" for no such process.
  state = "";
  parent = 0;
  name = "";
  fid = fopen (sprintf ("/proc/%d/stat", pid), "r");
  if (fid < 0)
    return;
  endif
  line = fgetl (fid);
  fclose (fid);
  if (! ischar (line))
    return;
  endif
  % The name, in parentheses, may hold anything: the fields follow its end.
  open = find (line == "(", 1);
  close = find (line == ")", 1, "last");
  fields = strsplit (strtrim (line(close + 1:end)), " ");
  name = line(open + 1:close - 1);
  state = fields{1};
  parent = str2double (fields{2});
endfunction
