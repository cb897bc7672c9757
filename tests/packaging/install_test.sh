#!/usr/bin/env bash
# An installation stands on its own: installed into a temporary prefix (with a
# space in its path), the programs run from another folder with a bare
# environment find their effect modules, help page and demo template under the
# prefix, and nothing of theirs points back into the build tree.
set -euo pipefail
build=$1
cmake=${2:-cmake}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix="$work/installed here"
"$cmake" --install "$build" --prefix "$prefix" > "$work/install.log"

fail() { echo "install test: $*" >&2; exit 1; }
for file in bin/kelvclip-cli share/kelvclip/tmpl.vez share/kelvclip/help/index.html \
            lib/kelvclip/plugins/transfx.so lib/kelvclip/plugins/maskfx.so \
            lib/kelvclip/plugins/multifx.so lib/kelvclip/plugins/titlefx.so \
            share/man/man1/kelvclip-cli.1.gz share/doc/kelvclip/copyright \
            bin/kelvclip-frameclient lib/kelvclip/frameclient/libkvframeclient.so.1; do
    [ -e "$prefix/$file" ] || fail "$file is not installed"
done
gui=no
if [ -e "$prefix/bin/kelvclip" ]; then
    gui=yes
    for file in share/man/man1/kelvclip.1.gz share/applications/org.quintar.kelvclip.desktop \
                share/icons/hicolor/scalable/apps/org.quintar.kelvclip.svg \
                share/mime/packages/kelvclip.xml share/metainfo/org.quintar.kelvclip.metainfo.xml; do
        [ -e "$prefix/$file" ] || fail "$file is not installed"
    done
fi
# No run path into the build tree: the only one left is the frame client's,
# relative to itself, to its library in the private folder.
for binary in "$prefix"/bin/* "$prefix"/lib/kelvclip/plugins/*.so; do
    want=""
    [ "$(basename "$binary")" = kelvclip-frameclient ] && want='[$ORIGIN/../lib/kelvclip/frameclient]'
    have=$(readelf -d "$binary" | grep -E 'R(UN)?PATH' | grep -o '\[.*\]' || true)
    [ "$have" = "$want" ] || fail "$binary has the run path '$have', not '$want'"
done
# The man pages hold the programs' own help: a subcommand and its options.
zcat "$prefix/share/man/man1/kelvclip-cli.1.gz" | grep -q '^\.SS render' ||
    fail "kelvclip-cli(1) lacks the render subcommand"
zcat "$prefix/share/man/man1/kelvclip-cli.1.gz" | grep -q 'Picture size WxH' ||
    fail "kelvclip-cli(1) lacks the render options"

mkdir "$work/home" "$work/elsewhere"
# A bare environment, but a sanitizer build keeps its options (suppressions).
sanitizers=()
for name in ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS TSAN_OPTIONS; do
    [ -n "${!name:-}" ] && sanitizers+=("$name=${!name}")
done
run() { (cd "$work/elsewhere" && env -i HOME="$work/home" PATH=/usr/bin:/bin LANG=C.UTF-8 "${sanitizers[@]}" "$@"); }

# Every effect of the four modules, none skipped.
run "$prefix/bin/kelvclip-cli" effects > "$work/effects.txt" 2> "$work/effects.err"
count=$(grep -Ec '^[^ ]+\.so #[0-9]+ ' "$work/effects.txt" || true)
[ "$count" = 105 ] || fail "the installed catalogue lists $count effects, not 105: $(cat "$work/effects.err")"
[ ! -s "$work/effects.err" ] || fail "modules were skipped: $(cat "$work/effects.err")"

# The demo template renders whole, with its effects, sound and clip.
demo="$prefix/share/kelvclip/tmpl.vez"
run "$prefix/bin/kelvclip-cli" render "$demo" --disc custom --size 200x200 --standard pal \
    -o "$work/elsewhere/demo.mpg" > "$work/render.log" 2>&1 || fail "render failed: $(cat "$work/render.log")"
probe() { ffprobe -v error -show_entries "$1" -of default=nw=1:nk=1 "$work/elsewhere/demo.mpg"; }
streams=$(probe stream=codec_type | sort | tr '\n' ' ')
[ "$streams" = "audio video " ] || fail "the rendered demo holds the streams: $streams"
duration=$(probe format=duration)
awk -v d="$duration" 'BEGIN { exit !(d > 60 && d < 61.5) }' || fail "the rendered demo lasts $duration s, not 60.5"

# The frame client starts with its library from the private folder.
run "$prefix/bin/kelvclip-frameclient" --help > /dev/null || fail "kelvclip-frameclient does not start"

if [ "$gui" = yes ]; then
    # --help and --version need no display.
    run "$prefix/bin/kelvclip" --help | grep -q -- '--template FILE' || fail "kelvclip --help"
    run "$prefix/bin/kelvclip" --version | grep -q '^kelvclip ' || fail "kelvclip --version"
fi
echo "install test: $count effects, demo rendered ($duration s), installed in $prefix"
