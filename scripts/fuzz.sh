#!/usr/bin/env bash
# Runs the libFuzzer programs of a fuzz build for a bounded time each, from fresh copies of their
# seeds: fuzz.sh BUILD_DIR SECONDS_FOR_3DS SECONDS_FOR_EACH_OTHER. The .3DS reader has the longer
# run; the RTF and TGA readers, the readers of OBJ, STL, PLY, OFF and glTF and the export of what
# they read the shorter one each.
# A crash, leak, timeout, memory blow-up or sanitizer report fails the run, and the failing input is
# kept under build/fuzz-findings.
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
findings="$build/../fuzz-findings"

run() {
    local name=$1 seconds=$2 seeds=$3 status=0
    mkdir -p "$work/$name" "$findings"
    cp -r "$seeds"/. "$work/$name/"
    "$build/bin/fuzz_$name" "$work/$name" -max_total_time="$seconds" -timeout=10 \
        -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$findings/$name-" \
        >"$work/$name.log" 2>&1 || status=$?
    grep -E '^(#[0-9]+ +DONE|stat::number_of_executed_units|stat::peak_rss_mb)' "$work/$name.log" |
        sed "s/^/fuzz_$name: /" || true
    if [ "$status" -ne 0 ]; then
        tail -n 40 "$work/$name.log"
        echo "fuzz_$name failed (status $status); inputs kept in $findings"
        exit 1
    fi
}

"$build/bin/make_fuzz_seeds" "$work/seeds-load3ds"
run load3ds "$2" "$work/seeds-load3ds"
run rtf "$3" fuzz/seeds/rtf
run tga "$3" fuzz/seeds/tga
for format in obj stl ply off gltf; do
    run "$format" "$3" "$build/fuzz-seeds/formats/$format"
done
run export "$3" "$build/fuzz-seeds"
