# strings: the same appends and text comparisons as strings.mox.
proc main {} {
    set i 0
    set j 0
    set eq 0
    set ne 0
    set lt 0
    set s m
    set t m
    while {$i < 1000000} {
        if {$i % 5 == 0} { set s "${s}ba" } else { set s "${s}ab" }
        if {$i % 3 == 0} { set t "${t}ba" } else { set t "${t}ab" }
        if {$s eq $t} { set eq [expr {$eq + 1}] }
        if {$s ne "mabab"} { set ne [expr {$ne + 1}] }
        if {[string compare $s $t] < 0} { set lt [expr {$lt + 1}] }
        set j [expr {$j + 1}]
        if {$j == 7} {
            set j 0
            set s m
            set t m
        }
        set i [expr {$i + 1}]
    }
    puts "eq[format %f $eq] ne[format %f $ne] lt[format %f $lt] s$s t$t"
}
main
