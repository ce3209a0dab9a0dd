x = 1; # a hash comment
s = "double quoted";
if x > 0, y = 1; endif
for k = 1:3, y = k; endfor
while false, endwhile
switch x, case 1, endswitch
try, y = 1; catch, end_try_catch
unwind_protect
printf('%d\n', x);
puts('text');
n = rows(x);
if x != 2, end
y = !x;
y = x ** 2;
x++;
x += 1;
x -= 1;
do x = x + 1; until x > 3
function f(), endfunction
