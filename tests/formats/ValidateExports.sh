#!/usr/bin/env bash
# Exports every model it is given (files, or every file in the folders) as .glb and as .gltf with
# the built export_models, which exports as the program's --export does, then runs the Khronos
# glTF validator over everything written: no file may have an error or a warning. A model the
# program cannot read is refused with status 1 and a message and is skipped; anything else fails
# the test.
#   ValidateExports.sh EXPORT_MODELS VALIDATOR_FOLDER OUTPUT_FOLDER MODEL_OR_FOLDER...
set -euo pipefail
exporter=$1
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

# The exports in batches, side by side; each leaves its status beside what it wrote.
ExportsPerBatch=12
n=0
for model in "${models[@]}"; do
    n=$((n + 1))
    for kind in glb gltf; do
        printf '%s\0%s\0%s\0' "$model" "$out/$n-$kind" "$kind"
    done
done | xargs -0 -n $((3 * ExportsPerBatch)) -P "$(nproc)" "$exporter" ||
    { echo "export_models failed" >&2; exit 1; }

written=()
refused=0
n=0
for model in "${models[@]}"; do
    n=$((n + 1))
    for kind in glb gltf; do
        folder="$out/$n-$kind"
        status=$(cat "$folder/status" 2>/dev/null || echo none)
        if [ "$status" = 0 ]; then
            written+=("$folder/model.$kind")
        elif [ "$status" = 1 ] && [ -s "$folder/stderr" ]; then
            refused=$((refused + 1))
        else
            echo "$model: the export to .$kind ended with status $status" >&2
            cat "$folder/stderr" >&2 2>/dev/null || true
            exit 1
        fi
    done
done
echo "${#models[@]} models: ${#written[@]} glTF files written, $refused exports refused"
[ ${#written[@]} -gt 0 ] || { echo "nothing was written" >&2; exit 1; }
node "$validator/validate.js" "${written[@]}"
