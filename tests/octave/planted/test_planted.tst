## Calls the MEX file with the planted heap overflow; under a memory check
## the run must be reported, without one it passes unnoticed.
%!test
%! kx_planted_overflow ();
