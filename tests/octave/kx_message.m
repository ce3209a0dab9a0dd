function msg = kx_message (call)
  % KX_MESSAGE  The error message that a call (a statement, as text) raises,
  % exactly as Octave hands it to the caller.
  msg = "";
  try
    eval (call);
  catch err
    msg = err.message;
  end_try_catch
endfunction
