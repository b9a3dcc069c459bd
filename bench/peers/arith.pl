# arith: the same computation as arith.mox. '/' is float division, as in
# moxa; (p - q) is a multiple of 97, so its quotient is an exact integer,
# and '%' on these non-negative integers agrees with moxa's remainder.
use strict;
use warnings;

my $s = 0;
my $i = 0;
while ($i < 3000) {
    my $j = 0;
    while ($j < 1000) {
        my $p = $i * $j + 7;
        my $q = $p % 97;
        if ($q < 50) {
            $s = $s + $q * 3;
        } else {
            $s = $s - ($p - $q) / 97 % 13;
        }
        $j = $j + 1;
    }
    $i = $i + 1;
}
printf("%f\n", $s);
