# arith: the same computation as arith.mox. The values are integers, and
# (p - q) is a multiple of 97, so integer '/' gives the same exact quotient
# as moxa's float division.
proc main {} {
    set s 0
    set i 0
    while {$i < 3000} {
        set j 0
        while {$j < 1000} {
            set p [expr {$i * $j + 7}]
            set q [expr {$p % 97}]
            if {$q < 50} {
                set s [expr {$s + $q * 3}]
            } else {
                set s [expr {$s - ($p - $q) / 97 % 13}]
            }
            set j [expr {$j + 1}]
        }
        set i [expr {$i + 1}]
    }
    puts [format %f $s]
}
main
