# nest: the same four nested loops as nest.mox.
proc main {} {
    set s 0
    set a 0
    while {$a < 40} {
        set b 0
        while {$b < 40} {
            set c 0
            while {$c < 40} {
                set d 0
                while {$d < 40} {
                    if {($a + $b + $c + $d) % 3 == 0} {
                        set s [expr {$s + $a * $d}]
                    } else {
                        set s [expr {$s + $b - $c}]
                    }
                    set d [expr {$d + 1}]
                }
                set c [expr {$c + 1}]
            }
            set b [expr {$b + 1}]
        }
        set a [expr {$a + 1}]
    }
    puts [format %f $s]
}
main
