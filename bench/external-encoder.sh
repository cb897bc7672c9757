#!/bin/bash
# What serving frames to an external encoder costs: the demo template (or the
# template given) rendered as a 720 x 576 PAL DVD through the built-in MPEG
# engine and through the example external encoder, which encodes with the
# same FFmpeg encoder and settings behind kelvclip-frameclient. Prints the
# wall time of each run, best of RUNS, and the ratio.
#
#   bench/external-encoder.sh [BUILD_DIR] [TEMPLATE] [RUNS]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
template=${2:-$build/samples/tmpl.vez}
runs=${3:-3}
cli=$build/bin/kelvclip-cli
work=$(mktemp -d "${TMPDIR:-/tmp}/kvbench-XXXXXX")
trap 'rm -rf "$work"' EXIT

printf '[Settings]\nEncoder=0\n' >"$work/builtin.ini"
printf '[Settings]\nEncoder=1\nTMpgEnc=%s\n' "$root/scripts/example-external-encoder.sh" >"$work/external.ini"

# Best wall time of the runs, in seconds.
best() {
    local settings=$1 times=()
    for ((i = 0; i < runs; i++)); do
        local start end
        start=$(date +%s%N)
        KELVCLIP_CONFIG=$settings "$cli" render "$template" -o "$work/out.mpg" \
            --disc dvd --standard pal >/dev/null 2>"$work/err" || { cat "$work/err" >&2; exit 1; }
        end=$(date +%s%N)
        times+=($((end - start)))
    done
    python3 -c 'import sys; print(min(int(t) for t in sys.argv[1:]) / 1e9)' "${times[@]}"
}

frames=$("$cli" info "$template" --json | python3 -c 'import json,sys; print(round(json.load(sys.stdin)["duration"]*25+0.5))' 2>/dev/null || echo "?")
builtin=$(best "$work/builtin.ini")
external=$(best "$work/external.ini")
ratio=$(python3 -c 'import sys; print(float(sys.argv[1]) / float(sys.argv[2]))' "$external" "$builtin")
printf 'frames              %s (720 x 576, 25 fps)\n' "$frames"
printf 'built-in engine     %.2f s\n' "$builtin"
printf 'external encoder    %.2f s\n' "$external"
printf 'external / built-in %.3f (at most 1.15 wanted)\n' "$ratio"
