function n = kx_mapped (file)
  % KX_MAPPED  How many of this process's memory mappings are of file: 0
  % once the library is unloaded.
  n = numel (strfind (fileread ("/proc/self/maps"), ["/" file "\n"]));
endfunction
