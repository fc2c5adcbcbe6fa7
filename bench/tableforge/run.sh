#!/bin/sh
# Runs the TableForge benchmark: bench/tableforge/run.sh BUILD_DIR (configured with -DCHOREL_BENCH=ON).
# Each case runs 5 times; printed are the medians of wall-clock time, processor time (user +
# system) and peak resident memory, the latter also as a multiple of the input file's size, and
# the reader's own memory: the peak less what the process held before the table was made.
set -e
echo "load before: $(cut -d" " -f1-3 /proc/loadavg)"
bin="$1/bin/bench_tableforge"
work=$(mktemp -d)
"$bin" gen "$work"
median() { sort -n | sed -n 3p; }
measure() { # label, input size in bytes (0: none), command...
    label="$1"; size="$2"; shift 2
    : >"$work/runs.txt"
    for run in 1 2 3 4 5; do
        /usr/bin/time -f "%e %U %S %M" -o "$work/time.txt" "$@" >"$work/out.txt"
        own_kb=$(sed -n 's/.*resident before \([0-9]*\) kB, peak \([0-9]*\) kB.*/\1 \2/p' "$work/out.txt" | awk '{print $2 - $1}')
        printf "%s %s %s\n" "$(cat "$work/time.txt")" "$(grep -o '[0-9]* ms' "$work/out.txt" | head -2 | tr -d ' ms' | tr '\n' ' ')" "${own_kb:-0}" >>"$work/runs.txt"
    done
    wall=$(awk '{print $1}' "$work/runs.txt" | median)
    cpu=$(awk '{printf "%.2f\n", $2 + $3}' "$work/runs.txt" | median)
    rss=$(awk '{print $4}' "$work/runs.txt" | median)
    own=$(awk '{print $5}' "$work/runs.txt" | median)
    owncpu=$(awk '{print $6}' "$work/runs.txt" | median)
    reader=$(awk '{print $7}' "$work/runs.txt" | median)
    ratio=""
    [ "$size" -gt 0 ] && ratio=$(awk -v r="$rss" -v o="$reader" -v s="$size" 'BEGIN {printf " (%.1f x file); the reader'"'"'s own %d kB (%.2f x file)", r * 1024 / s, o, o * 1024 / s}')
    echo "$label: ${own} ms (cpu ${owncpu} ms) measured inside; process wall ${wall} s, cpu ${cpu} s, peak RSS ${rss} kB$ratio"
}
for f in cube25.tq cube50.tq cube100.tq cube200.tq semi25.sdv semi50.sdv semi100.sdv semi200.sdv \
         csv25.csv csv50.csv csv100.csv csv200.csv json25.json json50.json json100.json json200.json; do
    measure "CreateTable $f" "$(stat -c %s "$work/$f")" "$bin" create "$work/$f" "$work"
done
measure "UPDATE S,E of 100000 rows (process: with building both tables)" 0 "$bin" join "$work" 100000
echo "load after: $(cut -d" " -f1-3 /proc/loadavg)"
rm -rf "$work"
