#!/usr/bin/env bash
# Exports every model it is given (files, or every file in the folders) as .glb and as .gltf with
# the built program, then runs the Khronos glTF validator over everything written: no file may
# have an error or a warning. A model the program cannot read is refused with status 1 and a
# message and is skipped; any other status fails the test.
#   ValidateExports.sh PROGRAM VALIDATOR_FOLDER OUTPUT_FOLDER MODEL_OR_FOLDER...
set -euo pipefail
program=$1
validator=$2
out=$3
shift 3

if ! command -v node >/dev/null || [ ! -d "$validator/node_modules/gltf-validator" ]; then
    echo "The glTF validator is not installed: run scripts/setup.sh" >&2
    exit 1
fi
export QT_QPA_PLATFORM=offscreen

rm -rf "$out"
mkdir -p "$out"
models=()
for item in "$@"; do
    if [ -d "$item" ]; then
        while IFS= read -r -d '' file; do
            models+=("$file")
        done < <(find "$item" -type f \( -iname '*.3ds' -o -iname '*.obj' -o -iname '*.stl' \
            -o -iname '*.ply' -o -iname '*.off' -o -iname '*.gltf' -o -iname '*.glb' \) -print0 | sort -z)
    elif [ -e "$item" ]; then
        models+=("$item")
    fi
done

# One export per job, side by side; each leaves its status beside what it wrote.
export_one() {
    local program=$1 model=$2 folder=$3 kind=$4 status=0
    mkdir -p "$folder"
    echo "$model" >"$folder/source"
    "$program" --export "$folder/model.$kind" "$model" 2>"$folder/stderr" || status=$?
    echo "$status" >"$folder/status"
}
export -f export_one
n=0
for model in "${models[@]}"; do
    n=$((n + 1))
    for kind in glb gltf; do
        printf '%s\0%s\0%s\0%s\0' "$program" "$model" "$out/$n-$kind" "$kind"
    done
done | xargs -0 -n 4 -P "$(nproc)" bash -c 'export_one "$@"' _

written=()
refused=0
n=0
for model in "${models[@]}"; do
    n=$((n + 1))
    for kind in glb gltf; do
        folder="$out/$n-$kind"
        status=$(cat "$folder/status")
        if [ "$status" -eq 0 ]; then
            written+=("$folder/model.$kind")
        elif [ "$status" -eq 1 ] && [ -s "$folder/stderr" ]; then
            refused=$((refused + 1))
        else
            echo "$model: --export to .$kind ended with status $status" >&2
            cat "$folder/stderr" >&2
            exit 1
        fi
    done
done
echo "${#models[@]} models: ${#written[@]} glTF files written, $refused exports refused"
[ ${#written[@]} -gt 0 ] || { echo "nothing was written" >&2; exit 1; }
node "$validator/validate.js" "${written[@]}"
