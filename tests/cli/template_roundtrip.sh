#!/usr/bin/env bash
# kelvclip-cli end to end: info on the demo template, then dump and pack again,
# which must give back the same project stream; bad input gives clear errors.
set -euo pipefail
binary=$1
# KV_WRAP runs every command under another program (the memory checker).
read -r -a wrap <<< "${KV_WRAP:-}"
cli() { "${wrap[@]}" "$binary" "$@"; }
demo=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cli info "$demo" > "$work/info.txt"
grep -q "Pictures (10)" "$work/info.txt"
grep -q '"Door Plugin"' "$work/info.txt"
cli info "$demo" --json > "$work/info.json"
python3 - "$work/info.json" <<'PY'
import json, sys
info = json.load(open(sys.argv[1]))
assert len(info["pictures"]) == 10, info["pictures"]
assert abs(info["duration"] - 60.5) < 1e-9, info["duration"]
assert len(info["slides"]) == 12 and info["slides"][1]["start"] == 5.0
assert any(s["file"].endswith("music.mp3") for s in info["sounds"])
assert any(s["file"].endswith("clip.mp4") for s in info["sounds"])
PY

cli dump "$demo" -o "$work/dump/album.json" 2> /dev/null
cli pack "$work/dump/album.json" -o "$work/again.vez" 2> /dev/null
cmp <(unzip -p "$demo" project.kvs) <(unzip -p "$work/again.vez" project.kvs)

# Frames: slide 1 at 2.5 s, then with picture 1 replaced by another picture
# of the package; both PNGs have the asked size and differ.
cli frame "$demo" --at 2.5 --size 360x288 -o "$work/a.png" > /dev/null
unzip -p "$demo" 'Files/02-wide.png' > "$work/wide.png"
cli frame "$demo" --frame 62 --size 360x288 --replace "1=$work/wide.png" -o "$work/b.png" > /dev/null
python3 - "$work/a.png" "$work/b.png" <<'PY'
import struct, sys
for name in sys.argv[1:]:
    head = open(name, "rb").read(24)
    assert head[:8] == b"\x89PNG\r\n\x1a\n", name
    assert struct.unpack(">II", head[16:24]) == (360, 288), name
PY
! cmp -s "$work/a.png" "$work/b.png"
cli frames "$demo" --size 96x72 --every 100 -o "$work/frames" > /dev/null
[ "$(ls "$work/frames" | wc -l)" = 16 ]

# Bad input: a clear one-line message naming the file, and a failure status.
expect_failure() {
    local want=$1; shift
    set +e
    "$@" > /dev/null 2> "$work/err"
    local rc=$?
    set -e
    [ "$rc" = "$want" ] || { echo "exit $rc, not $want: $*"; cat "$work/err"; exit 1; }
    grep -q "kelvclip-cli\|required\|Run with --help" "$work/err"
}
echo "not a zip" > "$work/bad.vez"
expect_failure 2 cli info "$work/bad.vez"
expect_failure 2 cli info "$work/missing.vez"
echo '{"slides": [{"items": [{"file": "nothere.jpg"}]}]}' > "$work/album.json"
expect_failure 2 cli pack "$work/album.json" -o "$work/x.vez"
grep -q "nothere.jpg" "$work/err"
[ ! -e "$work/x.vez" ]
echo '{"slides": 3}' > "$work/album.json"
expect_failure 2 cli pack "$work/album.json" -o "$work/x.vez"
grep -q "album.slides" "$work/err"
expect_failure 64 cli info
expect_failure 64 cli frame "$demo" --frame 99999 -o "$work/c.png"
expect_failure 64 cli frame "$demo" --at 1 --replace "11=$work/wide.png" -o "$work/c.png"
expect_failure 2 cli frame "$demo" --at 1 --replace "1=$work/none.png" -o "$work/c.png"
expect_failure 64 cli frame "$demo" -o "$work/c.png"
expect_failure 64 cli frobnicate
echo "template round trip: ok"
