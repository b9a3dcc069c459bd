#!/usr/bin/env bash
# Times moxa against python3, lua5.4, tclsh, perl and mawk on the benchmark
# workloads, all in one run, and prints one table: median seconds, peak memory
# and moxa's time ratio to each peer, with a check that every interpreter
# printed the same checksum as moxa.
#
# Usage: bench/run.sh [--quick] [WORKLOAD...]
#   --quick    fewer runs (3 per command, 1 for scan) instead of 10 (3 for scan)
#   WORKLOAD   any of: count arith strings scan nest calls (default: all)
# Environment:
#   MOXA       the moxa binary (default: build/moxa in the repository)
#   BENCH_CPU  the processor every command runs on (default: 0; empty: any). On a shared
#              machine two processors can differ in speed by half for minutes at a time;
#              one processor for all keeps the commands' times comparable.
#
# Needs hyperfine, /usr/bin/time (Debian package "time") and python3; on Debian
#   apt-get install -y hyperfine lua5.4 mawk time
# A peer that is not installed is left out of the table, with a note.
# Exit status: 0 when every run succeeded and every checksum agrees, else 1.
set -euo pipefail

bench=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$bench/.." && pwd)
all_workloads=(count arith strings scan nest calls)

usage() {
    sed -n '2,19s/^# \{0,1\}//p' "${BASH_SOURCE[0]}"
}

quick=0
workloads=()
for arg in "$@"; do
    case $arg in
        --quick) quick=1 ;;
        -h|--help) usage; exit 0 ;;
        -*) echo "run.sh: unknown option $arg" >&2; usage >&2; exit 2 ;;
        *)
            known=0
            for w in "${all_workloads[@]}"; do [[ $w == "$arg" ]] && known=1; done
            if [[ $known == 0 ]]; then
                echo "run.sh: unknown workload $arg (known: ${all_workloads[*]})" >&2
                exit 2
            fi
            workloads+=("$arg")
            ;;
    esac
done
[[ ${#workloads[@]} -gt 0 ]] || workloads=("${all_workloads[@]}")

if [[ $quick == 1 ]]; then
    runs=3; scan_runs=1
else
    runs=10; scan_runs=3
fi

moxa=${MOXA:-$root/build/moxa}
[[ $moxa == /* ]] || moxa=$PWD/$moxa
if [[ ! -x $moxa || -d $moxa ]]; then
    echo "run.sh: no moxa executable at $moxa (build it, or set MOXA)" >&2
    exit 1
fi

for tool in hyperfine python3; do
    command -v "$tool" >/dev/null || { echo "run.sh: $tool is missing" >&2; exit 1; }
done
[[ -x /usr/bin/time ]] || { echo "run.sh: /usr/bin/time is missing (package time)" >&2; exit 1; }
cpu=${BENCH_CPU-0}
on_cpu=()
if [[ -n $cpu ]]; then
    command -v taskset >/dev/null || { echo "run.sh: taskset is missing (set BENCH_CPU=)" >&2; exit 1; }
    on_cpu=(taskset -c "$cpu")
fi

# Interpreter name, program that must exist, file extension of its programs.
# Each workload W runs as: moxa W.mox, python3 W.py, lua5.4 W.lua, tclsh W.tcl,
# perl W.pl, mawk -f W.awk.
names=(moxa)
skipped=()
for peer in python3 lua5.4 tclsh perl mawk; do
    if command -v "$peer" >/dev/null; then
        names+=("$peer")
    else
        skipped+=("$peer")
    fi
done

# argv of interpreter $1 on workload $2 whose programs are in folder $3
command_for() {
    local name=$1 work=$2 dir=$3
    case $name in
        moxa)    cmd=("$moxa" "$dir/$work.mox") ;;
        python3) cmd=(python3 "$dir/peers/$work.py") ;;
        lua5.4)  cmd=(lua5.4 "$dir/peers/$work.lua") ;;
        tclsh)   cmd=(tclsh "$dir/peers/$work.tcl") ;;
        perl)    cmd=(perl "$dir/peers/$work.pl") ;;
        mawk)    cmd=(mawk -f "$dir/peers/$work.awk") ;;
    esac
}

results=$(mktemp -d "${TMPDIR:-/tmp}/moxa-bench.XXXXXX")
trap 'rm -rf "$results"' EXIT

echo "moxa: $moxa"
echo "peers: ${names[*]:1}${skipped[*]:+ (not installed, left out: ${skipped[*]})}"
echo "runs per command: $runs (scan: $scan_runs)"
echo "processor: ${cpu:-any}"

for work in "${workloads[@]}"; do
    dir=$bench
    n=$runs
    if [[ $work == scan ]]; then
        # The straight-line programs are made afresh for every run of this
        # script, into the results folder, and never kept.
        dir=$results/scan
        mkdir -p "$dir/peers"
        echo "[scan] writing the generated programs"
        python3 "$bench/gen_scan.py" "$dir/peers"
        mv "$dir/peers/scan.mox" "$dir/scan.mox"
        n=$scan_runs
    fi

    # One run of each command on its own: its output (for the checksum), its
    # exit status and its peak memory.
    echo "[$work] checksum and peak memory runs"
    hyper_args=()
    for name in "${names[@]}"; do
        command_for "$name" "$work" "$dir"
        base=$results/$work.$name
        set +e
        /usr/bin/time -f %M -o "$base.mem" "${cmd[@]}" >"$base.out" 2>"$base.err" </dev/null
        echo $? >"$base.rc"
        set -e
        hyper_args+=(-n "$name" "$(printf '%q ' "${cmd[@]}")")
    done

    echo "[$work] timing with hyperfine, $n runs per command"
    "${on_cpu[@]}" hyperfine -N -i --runs "$n" --export-json "$results/$work.json" "${hyper_args[@]}" \
        >"$results/$work.hyperfine.txt" 2>&1 || {
        echo "run.sh: hyperfine failed on $work:" >&2
        cat "$results/$work.hyperfine.txt" >&2
        exit 1
    }
    if [[ $work == scan ]]; then
        # The floors: two C tokenisers over the same moxa program, timed beside moxa.
        "${CC:-cc}" -O2 -o "$results/scan_floor" "$bench/scan_floor.c"
        "${CC:-cc}" -O2 -o "$results/scan_floor_table" "$bench/scan_floor_table.c"
        echo "[scan] timing moxa beside the C tokenisers scan_floor and scan_floor_table"
        "${on_cpu[@]}" hyperfine -N -i --runs "$n" --export-json "$results/floor.json" \
            -n moxa "$moxa $dir/scan.mox" -n scan_floor "$results/scan_floor $dir/scan.mox" \
            -n scan_floor_table "$results/scan_floor_table $dir/scan.mox" \
            >"$results/floor.hyperfine.txt" 2>&1 || {
            echo "run.sh: hyperfine failed on the scan floor:" >&2
            cat "$results/floor.hyperfine.txt" >&2
            exit 1
        }
        rm -rf "$dir"
    fi
done

echo
list() { local IFS=,; echo "$*"; }
status=0
python3 "$bench/report.py" "$results" "$(list "${workloads[@]}")" "$(list "${names[@]}")" || status=1
if [[ -f $results/floor.json ]]; then
    python3 - "$results/floor.json" <<'PY'
import json, sys
runs = {r["command"]: r for r in json.load(open(sys.argv[1]))["results"]}
moxa, floor, table = runs["moxa"], runs["scan_floor"], runs["scan_floor_table"]
cpu = lambda r: r["user"] + r["system"]
print()
print("scan beside its floors (mean CPU seconds, user + system):")
print(f"moxa {cpu(moxa):.3f}, scan_floor {cpu(floor):.3f}, scan_floor_table {cpu(table):.3f}, "
      f"moxa/floor {cpu(moxa) / cpu(floor):.2f}, moxa/table {cpu(moxa) / cpu(table):.2f}")
PY
fi
exit $status
