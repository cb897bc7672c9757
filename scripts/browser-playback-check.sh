#!/bin/sh
# Whether a browser plays a video file: a headless Chromium loads a local page
# with a <video> element of the file and prints what the element reports
# once it has read the file's index and first picture: its duration in
# seconds and its picture size, or the error it met.
#
#   scripts/browser-playback-check.sh VIDEO
#   -> duration=60.5 width=1920 height=1080
#
# Exit status 0 when the browser played it, 1 when it reported an error or
# nothing, 2 when no Chromium is installed (Debian: apt install chromium).
set -eu
video=$(realpath "$1")
browser=$(command -v chromium || command -v chromium-browser || true)
if [ -z "$browser" ]; then
    echo "no chromium installed" >&2
    exit 2
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The page copies the element's answer into its own text; --dump-dom prints
# the page once the virtual time budget (waiting only on the page's own
# activity) has passed.
cat > "$work/page.html" <<HTML
<!DOCTYPE html>
<html><body><pre id="answer">nothing</pre>
<video id="v" muted preload="auto" src="file://$video"></video>
<script>
const v = document.getElementById('v'), answer = document.getElementById('answer');
v.addEventListener('loadeddata', () => {
  answer.textContent = 'duration=' + v.duration + ' width=' + v.videoWidth + ' height=' + v.videoHeight;
});
v.addEventListener('error', () => {
  answer.textContent = 'error=' + (v.error ? v.error.code + ' ' + v.error.message : 'unknown');
});
</script></body></html>
HTML
out=$("$browser" --headless=new --no-sandbox --disable-gpu --allow-file-access-from-files \
    --user-data-dir="$work/profile" --virtual-time-budget=15000 --dump-dom \
    "file://$work/page.html" 2>/dev/null | sed -n 's:.*<pre id="answer">\([^<]*\)</pre>.*:\1:p')
echo "${out:-nothing}"
case "$out" in
duration=*) exit 0 ;;
*) exit 1 ;;
esac
