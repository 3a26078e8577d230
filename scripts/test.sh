#!/usr/bin/env bash
# Sets up the machine, builds everything twice and runs every test headless:
#   1. the strict gcc build (warnings are errors) with all unit, window, replay and installation
#      tests, and the licence window's middle click on a fresh Xvfb;
#   2. one strict clang build under AddressSanitizer and UndefinedBehaviorSanitizer whose
#      libraries also carry libFuzzer's instrumentation: the same tests again, the window tests
#      included, then side by side, one core each, the GUI monkey (a minute of random real input
#      to the sanitizer build of the program under Xvfb, tests/monkey) and a bounded libFuzzer
#      run of each reader of untrusted input and of the export of what they read (about a
#      minute in all: 20 s for .3DS, 6 s for each of RTF, TGA, OBJ, STL, PLY, OFF, glTF and the
#      export).
# Any failure, warning, sanitizer report, fuzzer crash, leak or hang makes the script fail.
set -euo pipefail
cd "$(dirname "$0")/.."
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

./scripts/setup.sh

# Nothing reads the debug information of the strict build (the package strips it): it is left out.
# Both builds are linked by LLVM's linker, which links their programs in about a third of the time
# GNU ld takes.
# The libraries, the windows and most tests are compiled in batches of files, in both builds: gcc
# parses the standard library's, Qt's and GoogleTest's headers anew for every file, and even with
# clang's precompiled headers the batches take about a third less time. The code that only the tests and tools run is optimised
# less than the program (-O1 here, -O0 in the sanitizer build), which saves about a quarter of its
# compile time.
echo "== Strict build and tests"
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPLEXA3D_STRICT=ON \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG" -DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld \
    -DPLEXA3D_BENCHMARKS=ON \
    -DPLEXA3D_BATCHED=ON -DPLEXA3D_TEST_COMPILE_OPTIONS=-O1 >/dev/null
cmake --build build/test -j "$jobs"
ctest --test-dir build/test --output-on-failure -j "$jobs" --label-exclude monkey

# Optimised a little (-O1) and with line tables only, which is all that the sanitizers' reports
# need; assertions stay on.
echo "== Sanitizer and fuzz build: library, readers, windows and the GUI monkey"
CC=clang CXX=clang++ cmake -S . -B build/sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_FLAGS_DEBUG="-O1 -gline-tables-only" -DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld \
    -DPLEXA3D_STRICT=ON \
    -DPLEXA3D_SANITIZE=ON -DPLEXA3D_FUZZ=ON -DPLEXA3D_GUI=ON -DPLEXA3D_TEST_COMPILE_OPTIONS=-O0 \
    -DPLEXA3D_BATCHED=ON >/dev/null
cmake --build build/sanitize -j "$jobs"
# The installation checks package the build; they have run on the strict build already.
ctest --test-dir build/sanitize --output-on-failure -j "$jobs" --label-exclude monkey \
    --exclude-regex '^(install_layout|debian_package|gnome_thumbnails)$'

# Each of the two is bounded in time and keeps one core busy: they run together.
echo "== GUI monkey and fuzzing, side by side"
monkey_log=build/sanitize/monkey.log
ctest --test-dir build/sanitize --output-on-failure --label-regex monkey >"$monkey_log" 2>&1 &
monkey=$!
fuzz_status=0
./scripts/fuzz.sh build/sanitize 20 6 || fuzz_status=$?
monkey_status=0
wait "$monkey" || monkey_status=$?
cat "$monkey_log"
[ "$monkey_status" -eq 0 ] && [ "$fuzz_status" -eq 0 ]
