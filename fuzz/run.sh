#!/bin/sh
# Runs every fuzz harness for SECONDS each, starting from its seed corpus, and prints what
# libFuzzer reports. A finding (crash, sanitizer report, broken invariant, more than 1 s for
# one input, more than 2 GB) fails the run; the input that found it is kept under
# BUILD/findings/<target>/. New inputs go to BUILD/corpus/<target>, never to fuzz/corpus.
#
# usage: fuzz/run.sh BUILD SECONDS [TARGET...]
set -u
build=$1
seconds=$2
shift 2
source_dir=$(cd "$(dirname "$0")" && pwd)
targets=${*:-"transport status eeprom factory_read ids vprinter_host raster"}
failed=""
for target in $targets; do
    work="$build/corpus/$target"
    findings="$build/findings/$target"
    log="$build/fuzz_$target.log"
    mkdir -p "$work" "$findings"
    echo "== fuzz_$target, ${seconds} s"
    if "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=1 -rss_limit_mb=2048 \
            -print_final_stats=1 -artifact_prefix="$findings/" \
            "$work" "$source_dir/corpus/$target" >"$log" 2>&1; then
        grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -1
        grep -E 'stat::number_of_executed_units|stat::peak_rss_mb' "$log"
    else
        failed="$failed $target"
        grep -E 'invariant broken|ERROR|SUMMARY|Test unit written' "$log"
        echo "   (the whole report: $log)"
    fi
done
if [ -n "$failed" ]; then
    echo "fuzzing found something in:$failed"
    exit 1
fi
echo "fuzzing found nothing"
