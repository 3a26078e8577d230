#!/usr/bin/env bash
# Sets up the machine, builds Plexa3D and starts it with a sample model already imported.
# Extra arguments are passed to the program (for example other .3DS files).
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DPLEXA3D_TESTS=OFF >/dev/null
cmake --build build/release --target plexa3d
args=("$@")
if [ ${#args[@]} -eq 0 ] && [ -f samples/vehicle.3ds ]; then
    args=(samples/vehicle.3ds)
fi
exec build/release/bin/plexa3d "${args[@]}"
