# strings: the same appends and text comparisons as strings.mox.
use strict;
use warnings;

my ($i, $j) = (0, 0);
my ($eq, $ne, $lt) = (0, 0, 0);
my ($s, $t) = ("m", "m");
while ($i < 1000000) {
    if ($i % 5 == 0) { $s = $s . "ba"; } else { $s = $s . "ab"; }
    if ($i % 3 == 0) { $t = $t . "ba"; } else { $t = $t . "ab"; }
    if ($s eq $t) { $eq = $eq + 1; }
    if ($s ne "mabab") { $ne = $ne + 1; }
    if ($s lt $t) { $lt = $lt + 1; }
    $j = $j + 1;
    if ($j == 7) {
        $j = 0;
        $s = "m";
        $t = "m";
    }
    $i = $i + 1;
}
print "eq" . sprintf("%f", $eq) . " ne" . sprintf("%f", $ne) .
      " lt" . sprintf("%f", $lt) . " s" . $s . " t" . $t . "\n";
