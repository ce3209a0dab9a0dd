function kx_untouched (calls)
  % KX_UNTOUCHED  Each call (a statement, as text) is refused in an open
  % session and calls no driver operation.
  for k = 1:numel (calls)
    kx_open ();
    refused = false;
    try
      eval (calls{k});
    catch
      refused = true;
    end_try_catch
    assert (refused, ["not refused: " calls{k}]);
    assert (isempty (kxsim ("log")), ["the driver was called by: " calls{k}]);
  endfor
endfunction
