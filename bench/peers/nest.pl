# nest: the same four nested loops as nest.mox.
use strict;
use warnings;

my $s = 0;
my $a = 0;
while ($a < 40) {
    my $b = 0;
    while ($b < 40) {
        my $c = 0;
        while ($c < 40) {
            my $d = 0;
            while ($d < 40) {
                if (($a + $b + $c + $d) % 3 == 0) {
                    $s = $s + $a * $d;
                } else {
                    $s = $s + $b - $c;
                }
                $d = $d + 1;
            }
            $c = $c + 1;
        }
        $b = $b + 1;
    }
    $a = $a + 1;
}
printf("%f\n", $s);
