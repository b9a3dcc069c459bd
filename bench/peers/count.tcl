# count: the same loop as count.mox, inside a proc so that it is compiled.
proc main {} {
    set i 0
    while {$i < 10000000} {
        set i [expr {$i + 1}]
    }
    puts [format %f $i]
}
main
