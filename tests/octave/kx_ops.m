function ops = kx_ops ()
  % KX_OPS  The operation names of the board's log, in call order.
  L = kxsim ("log");
  ops = {L.op};
endfunction
