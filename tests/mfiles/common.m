function common(a)
%COMMON  Only what MATLAB and Octave share, with look-alikes of what is not:
%   printf("%d") endif x += 1 # in a comment
%{
  s = "a block comment"; endif
%}
  s = 'a string with "quotes", a # and printf(1) endif';
  t = 'it''s one string';
  b = a';            % transpose
  c = [a' a.'];      % transposes in brackets
  d = a(1)' + b{1}'; % after brackets
  fprintf('%s\n', s); sprintf('%d', 1); ...  continued "text" endif
  if a ~= 1 && ~isempty(b) || a >= 2 || a <= 3 || a == -1
    e = -1; f = a - -1;
  end
  rows_ = 1; nrows = rows_; % names that contain a refused one
end
