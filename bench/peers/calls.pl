# calls: the same four million calls as calls.mox. ident returns its one
# argument (a moxa call used as a factor has its argument's value); tick
# takes nothing and does nothing (a call statement without arguments).
use strict;
use warnings;

sub ident { return $_[0]; }

sub tick { return; }

my $s = 0;
my $i = 0;
while ($i < 1000000) {
    my $x = ident($i % 10) * ident(3) + ident($i % 7);
    tick();
    $s = $s + $x;
    $i = $i + 1;
}
printf("%f\n", $s);
