#!/bin/sh
# run.sh BUILD_DIR SECONDS [TARGET...]
# Runs each fuzz target (default: all nine) for SECONDS on its seed corpus (fuzz/corpus/NAME)
# and its dictionary (fuzz/dict/NAME.dict). New inputs go to BUILD_DIR/corpus/NAME, an input
# that crashes, leaks or hangs to BUILD_DIR/findings/; the first finding ends the run with a
# non-zero exit code. Every seed input is run first, so a regression on a known input fails.
set -eu
build=$1
seconds=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
targets=${*:-cube semicolon csv jsonstat settings dbase shapefile sql geojson}
mkdir -p "$build/findings"
for name in $targets; do
    mkdir -p "$build/corpus/$name"
    echo "== fuzz_$name: $seconds s"
    "$build/fuzz_$name" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
        -dict="$here/dict/$name.dict" -artifact_prefix="$build/findings/$name-" \
        -print_final_stats=1 "$build/corpus/$name" "$here/corpus/$name" 2>"$build/fuzz_$name.log" || {
        tail -n 60 "$build/fuzz_$name.log"
        echo "fuzz_$name found a fault; the input is in $build/findings/" >&2
        exit 1
    }
    grep -E '^stat::number_of_executed_units|^Done' "$build/fuzz_$name.log" || true
done
