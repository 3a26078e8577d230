#!/usr/bin/env bash
# Sets up the machine, builds everything and runs every test headless:
#   1. the strict build (warnings are errors) with all unit, window and replay tests, and the
#      licence window's middle click on a fresh Xvfb;
#   2. the same tests again under AddressSanitizer and UndefinedBehaviorSanitizer, the window
#      tests included, then the GUI monkey: a minute of random real input to the sanitizer build
#      of the program under Xvfb (tests/monkey);
#   3. a bounded libFuzzer run of each reader of untrusted input (about a minute in all).
# Any failure, sanitizer report, fuzzer crash, leak or hang makes the script fail.
set -euo pipefail
cd "$(dirname "$0")/.."
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

./scripts/setup.sh

echo "== Strict build and tests"
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPLEXA3D_STRICT=ON \
    -DPLEXA3D_BENCHMARKS=ON >/dev/null
cmake --build build/test -j "$jobs"
ctest --test-dir build/test --output-on-failure -j "$jobs" --label-exclude monkey

echo "== Sanitizer build: library, readers, windows and the GUI monkey"
cmake -S . -B build/sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPLEXA3D_SANITIZE=ON \
    -DPLEXA3D_GUI=ON >/dev/null
cmake --build build/sanitize -j "$jobs"
# The installation checks package the build; they have run on the strict build already.
ctest --test-dir build/sanitize --output-on-failure -j "$jobs" \
    --exclude-regex '^(install_layout|debian_package)$'

echo "== Fuzzing"
CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DPLEXA3D_FUZZ=ON -DPLEXA3D_TESTS=OFF -DPLEXA3D_GUI=OFF \
    -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build build/fuzz -j "$jobs"
./scripts/fuzz.sh build/fuzz 40 20
