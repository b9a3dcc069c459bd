# calls: the same four million calls as calls.mox. ident returns its one
# argument (a moxa call used as a factor has its argument's value); tick
# takes nothing and does nothing (a call statement without arguments).
proc ident {v} {
    return $v
}

proc tick {} {
}

proc main {} {
    set s 0
    set i 0
    while {$i < 1000000} {
        set x [expr {[ident [expr {$i % 10}]] * [ident 3] + [ident [expr {$i % 7}]]}]
        tick
        set s [expr {$s + $x}]
        set i [expr {$i + 1}]
    }
    puts [format %f $s]
}
main
