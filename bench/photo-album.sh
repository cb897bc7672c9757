# Shared by the end-to-end benchmarks (sourced, not run): an album of camera
# photographs packed as a template, and the measuring helpers.
#
# Before sourcing, set build (the build folder). Reads PHOTOS (a folder of
# camera JPEGs; default /usr/share/backgrounds/mate/nature, from Debian's
# mate-backgrounds package; any folder of camera photographs does: synthetic
# pictures encode several times faster and hide the encoder's real cost).
# Sets root, cli, photos, work (a scratch folder in memory, removed on exit)
# and pictures (up to ten JPEGs of PHOTOS, the list repeated ALBUM_REPEAT
# times: 2 makes an album twice as long, to see memory stay flat).

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cli=${KELVCLIP_CLI:-$build/bin/kelvclip-cli}
photos=${PHOTOS:-/usr/share/backgrounds/mate/nature}
scratch=/dev/shm
[ -w "$scratch" ] || scratch=${TMPDIR:-/tmp}
work=$(mktemp -d "$scratch/kvbench-XXXXXX")
trap 'rm -rf "$work"' EXIT

mapfile -t pictures < <(find "$photos" -maxdepth 1 -iname '*.jpg' | sort | head -10)
[ "${#pictures[@]}" -ge 2 ] || { echo "no JPEG photographs in $photos (set PHOTOS to a folder of them)" >&2; exit 2; }
once=("${pictures[@]}")
for ((i = 1; i < ${ALBUM_REPEAT:-1}; ++i)); do pictures+=("${once[@]}"); done

# pack_album TEMPLATE SECONDS SOUND: the photographs SECONDS each, 1 s
# cross-fades, pan and zoom 1.0 -> 1.15 over each picture's time on screen, the sound
# file SOUND (a 300 s tone made here when it does not exist; its extension
# says which kind) played from the first picture to the album's end.
pack_album() {
    local template=$1 seconds=$2 sound=$3
    if [ ! -e "$sound" ]; then
        ffmpeg -loglevel error -f lavfi -i "sine=frequency=440:duration=300" -ac 2 "$sound"
    fi
    python3 - "$work/album.json" "$seconds" "$sound" "${pictures[@]}" <<'EOF'
import json, sys
out, seconds, music, pictures = sys.argv[1], float(sys.argv[2]), sys.argv[3], sys.argv[4:]
zoom = [{"time": 0.0, "x": 0, "y": 0, "scale": 1.0}, {"time": 1.0, "x": 0, "y": 0, "scale": 1.15}]
slides = [{"displayTime": seconds, "transition": {"name": "Fade Plugin", "length": 1},
           "items": [{"kind": "image", "file": p, "keyFrames": zoom}]} for p in pictures]
# The first picture's sound, played to the album's end, is the sound track.
slides[0]["items"][0]["sound"] = {"file": music}
slides[0]["sound"] = {"toAlbumEnd": True}
json.dump({"format": "kelvclip-album", "version": 1, "name": "Photographs",
           "slides": slides}, open(out, "w"))
EOF
    "$cli" pack "$work/album.json" -o "$template" >/dev/null
}

# measured COMMAND...: runs the command (its output goes to $work/log) and
# prints "WALL CPU PEAK": wall and CPU (user + system) seconds, peak resident
# memory in MB.
measured() {
    /usr/bin/time -o "$work/time" -f '%e %U %S %M' "$@" >"$work/log" 2>&1 || { cat "$work/log" >&2; exit 1; }
    awk '{ printf "%.2f %.2f %.0f\n", $1, $2 + $3, $4 / 1024 }' "$work/time"
}
# Wall seconds of a command; its output goes to $work/log.
timed() { measured "$@" | cut -d' ' -f1; }
megabytes() { python3 -c 'import os, sys; print(f"{os.path.getsize(sys.argv[1]) / 1e6:.1f}")' "$1"; }
ratio() { python3 -c "import sys; print(f'{float(sys.argv[1]) / float(sys.argv[2]):.2f}')" "$1" "$2"; }
