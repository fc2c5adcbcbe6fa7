#!/bin/sh
# Runs the TableForge benchmark: bench/tableforge/run.sh BUILD_DIR (configured with -DCHOREL_BENCH=ON).
set -e
bin="$1/bin/bench_tableforge"
work=$(mktemp -d)
"$bin" gen "$work"
for f in cube25.tq cube50.tq cube100.tq semi25.sdv semi50.sdv semi100.sdv; do
    /usr/bin/time -v "$bin" create "$work/$f" "$work" 2>"$work/time.txt"
    echo "  file $(stat -c %s "$work/$f") bytes, peak RSS $(grep 'Maximum resident' "$work/time.txt" | awk '{print $6}') kB"
done
/usr/bin/time -v "$bin" join "$work" 100000 2>"$work/time.txt"
echo "  peak RSS $(grep 'Maximum resident' "$work/time.txt" | awk '{print $6}') kB"
rm -rf "$work"
