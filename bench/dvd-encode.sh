#!/bin/bash
# What a PAL DVD render costs against FFmpeg encoding the very same frames.
#
# An album of camera photographs (ten JPEGs of PHOTOS, 4 s each, 1 s
# cross-fades, pan and zoom 1.0 -> 1.15, a WAV sound track) is packed and
#  1. rendered by kelvclip to uncompressed frames (AVI, rawvideo, the DVD's
#     720 x 576 and pixel shape), which FFmpeg turns into 4:2:0 pictures in
#     memory once (BT.601, limited range, exact rounding; not timed);
#  2. rendered by kelvclip to a DVD stream at each quality LEVEL: end to end;
#  3. the pictures of 1 encoded by FFmpeg's command-line tool with the
#     options kelvclip uses at that level (the same MPEG-2 rates, buffer,
#     groups, macroblock decision, quantisation and threads; Layer II sound;
#     the DVD multiplex): the encoder alone;
#  4. the same pictures encoded with FFmpeg's own DVD defaults (-target
#     pal-dvd, Layer II sound).
# It prints wall and CPU seconds, peak memory, size and luma PSNR against
# the pictures of 1 for each, and the ratios end-to-end / encoder alone and
# end-to-end / FFmpeg's defaults. With SWEEP=1 it also encodes the pictures
# with each candidate option set below at the DVD rates and prints CPU
# seconds, size and PSNR: the measurement behind the quality levels
# (docs/encoding-levels.md).
#
#   bench/dvd-encode.sh [BUILD_DIR] [LEVEL...]      (levels default: 31 and 8, the fast one)
#   PHOTOS=folder SWEEP=1 bench/dvd-encode.sh build
#   SWEEP=1 SWEEP_RATE=2000000 SWEEP_SETS=$'-mbd 0\n-mbd 0 -trellis 1' bench/dvd-encode.sh build -
#   KELVCLIP_CLI=old/bin/kelvclip-cli bench/dvd-encode.sh   (a build without --quality: its default)
#   THREAD_SWEEP="1 2 3 4" bench/dvd-encode.sh build 31    (the encoder alone at each thread count)
#   RUNS=5 bench/dvd-encode.sh build 31 8   (pairs of runs per level; the median one is shown)
#
# PHOTOS defaults to /usr/share/backgrounds/mate/nature (Debian's
# mate-backgrounds package); any folder of camera JPEGs does. The frames
# take about 2.4 GB in /dev/shm (twice that with ALBUM_REPEAT=2, which
# shows the album twice over). THREADS (default: one more than the cores, at most 8, as
# kelvclip chooses) is FFmpeg's thread count for the option sets.
set -euo pipefail

build=${1:-$(cd "$(dirname "$0")/.." && pwd)/build}
shift || true
levels=("$@")
[ "${#levels[@]}" -gt 0 ] || levels=(31 8)
source "$(dirname "$0")/photo-album.sh"
threads=${THREADS:-$(($(nproc) + 1))}
[ "$threads" -le 8 ] || threads=8
has_quality=$("$cli" render --help | grep -c -- '--quality' || true)

# The encoder options of a quality level, as encode/MpgPreset.cpp chooses
# them (MpgEffortFor); LEVEL_OPTIONS replaces them (for a build whose levels
# differ, such as one from before they were measured: "-mbd 2 -trellis 1").
level_options() {
    local q=$1
    if [ -n "${LEVEL_OPTIONS:-}" ]; then echo "$LEVEL_OPTIONS"
    elif [ "$q" -ge 16 ]; then echo "-mbd 0 -trellis 1"
    else echo "-mbd 0 -bidir_refine 0"
    fi
}
# kelvclip's DVD stream besides the level: rates, buffer, closed groups of
# 15 pictures with two B-pictures, no extra key pictures at scene changes,
# 4:3, Layer II sound at 48 kHz, the DVD multiplex.
dvd_options=(-c:v mpeg2video -b:v 6000000 -maxrate 9000000 -minrate 0 -bufsize 1835008
    -g 15 -bf 2 -flags +cgop -sc_threshold 1000000000 -aspect 4:3
    -c:a mp2 -b:a 224k -ar 48000 -ac 2 -f dvd -muxrate 10080000 -packetsize 2048)

pack_album "$work/album.vez" 4 "$work/music.wav"
measured "$cli" render "$work/album.vez" -o "$work/frames.avi" --disc dvd --standard pal \
    --vcodec rawvideo --acodec pcm_s16le >"$work/render"
# Exact rounding: the scaler's default is off by one step in about half the
# pixels, which costs an exact conversion (kelvclip's) about 1 dB of PSNR
# at these levels.
ffmpeg -loglevel error -i "$work/frames.avi" -an -sws_flags bicubic+accurate_rnd+full_chroma_int \
    -vf scale=out_color_matrix=bt601:out_range=tv -pix_fmt yuv420p -f yuv4mpegpipe "$work/frames.y4m"
rm "$work/frames.avi"
ffmpeg -loglevel error -i "$work/music.wav" -ar 48000 "$work/sound.wav"
frames=$(ffprobe -v error -count_packets -select_streams v:0 -show_entries stream=nb_read_packets -of csv=p=0 "$work/frames.y4m")

# Luma PSNR of a stream against the pictures.
psnr() {
    ffmpeg -nostats -i "$1" -i "$work/frames.y4m" -lavfi "[0:v]setpts=PTS-STARTPTS[a];[1:v]setpts=PTS-STARTPTS[b];[a][b]psnr" -f null - 2>&1 |
        sed -n 's/.*PSNR y:\([0-9.inf]*\).*/\1/p' | tail -1
}
# FFmpeg on the pictures: encode OUT OPTION...
encode() {
    local out=$1
    shift
    measured ffmpeg -y -nostats -loglevel error -i "$work/frames.y4m" -i "$work/sound.wav" \
        -map 0:v -map 1:a -shortest "$@" "$out"
}
row() { # row LABEL "WALL CPU PEAK" FILE
    local t=($2)
    printf '%-34s %6.2f s %6.2f s CPU %5s MB peak %6.1f MB  PSNR-Y %s dB\n' "$1" "${t[0]}" "${t[1]}" "${t[2]}" "$(megabytes "$3")" "$(psnr "$3")"
}

printf 'album   %d photographs of %s, %s frames, PAL DVD, %d encoder threads\n' "${#pictures[@]}" "$photos" "$frames" "$threads"
read -r render_wall render_cpu render_peak <"$work/render"
printf '%-34s %6.2f s %6.2f s CPU %5s MB peak  (to uncompressed frames)\n' "render only" "$render_wall" "$render_cpu" "$render_peak"

defaults=$(encode "$work/ffdefault.mpg" -target pal-dvd -c:a mp2 -b:a 224k)
row "FFmpeg, its DVD defaults" "$defaults" "$work/ffdefault.mpg"
[ "${levels[0]}" != - ] || levels=()
for q in "${levels[@]}"; do
    quality=()
    [ "$has_quality" -eq 0 ] || quality=(--quality "$q")
    [ "$has_quality" -gt 0 ] || q=31
    # RUNS rounds of kelvclip, FFmpeg with the same options and (from the
    # second round) FFmpeg's defaults, so that all see the machine alike;
    # the round with the median kelvclip time is shown, and the defaults'
    # median.
    pairs=() def_runs=("${defaults%% *}")
    for ((r = 0; r < ${RUNS:-1}; ++r)); do
        e2e=$(measured "$cli" render "$work/album.vez" -o "$work/kelvclip.mpg" --disc dvd --standard pal "${quality[@]}")
        # shellcheck disable=SC2046
        alone=$(encode "$work/ffsame.mpg" "${dvd_options[@]}" $(level_options "$q") -threads "$threads")
        pairs+=("$e2e|$alone")
        [ "$r" -eq 0 ] || def_runs+=("$(encode "$work/ffdefault.mpg" -target pal-dvd -c:a mp2 -b:a 224k | cut -d' ' -f1)")
    done
    pair=$(printf '%s\n' "${pairs[@]}" | sort -n | sed -n "$(((${#pairs[@]} + 1) / 2))p")
    e2e=${pair%|*} alone=${pair#*|}
    def_wall=$(printf '%s\n' "${def_runs[@]}" | sort -n | sed -n "$(((${#def_runs[@]} + 1) / 2))p")
    row "kelvclip level $q" "$e2e" "$work/kelvclip.mpg"
    row "FFmpeg, the same options" "$alone" "$work/ffsame.mpg"
    printf '%-34s %6s wall  %6s CPU\n' "  end-to-end / encoder alone" "$(ratio "${e2e%% *}" "${alone%% *}")" "$(ratio "$(echo "$e2e" | cut -d' ' -f2)" "$(echo "$alone" | cut -d' ' -f2)")"
    if [ "${#pairs[@]}" -eq 1 ]; then
        printf '%-34s %6s wall  %6s CPU\n' "  end-to-end / FFmpeg defaults" "$(ratio "${e2e%% *}" "${defaults%% *}")" "$(ratio "$(echo "$e2e" | cut -d' ' -f2)" "$(echo "$defaults" | cut -d' ' -f2)")"
    else
        printf '%-34s %6s wall  (defaults: median of %s s)\n' "  end-to-end / FFmpeg defaults" "$(ratio "${e2e%% *}" "$def_wall")" "${def_runs[*]}"
        printf '%-34s %s\n' "  runs (wall s, kelvclip/FFmpeg)" "$(printf '%s\n' "${pairs[@]}" | awk -F'|' '{ split($1, a, " "); split($2, b, " "); printf "%s/%s ", a[1], b[1] }')"
        # Each round's own ratio: drift of the machine's speed between
        # rounds cancels within a round.
        printf '%-34s %6s wall\n' "  median of the rounds' ratios" "$(printf '%s\n' "${pairs[@]}" | awk -F'|' '{ split($1, a, " "); split($2, b, " "); printf "%.4f\n", a[1] / b[1] }' | sort -n | sed -n "$(((${#pairs[@]} + 1) / 2))p" | xargs printf '%.2f')"
    fi
done

# The encoder alone at the first level with each thread count of THREAD_SWEEP
# ("1 2 3 4"): where more threads stop helping.
for n in ${THREAD_SWEEP:-}; do
    # shellcheck disable=SC2046
    r=$(encode "$work/threads.mpg" "${dvd_options[@]}" $(level_options "${levels[0]:-31}") -threads "$n")
    row "FFmpeg, level ${levels[0]:-31}, $n threads" "$r" "$work/threads.mpg"
done

[ "${SWEEP:-0}" = 1 ] || exit 0
# Candidate option sets for the levels, each on top of the DVD stream's (or
# the lines of SWEEP_SETS); SWEEP_RATE sets a lower average bit rate, so
# that the rate binds and the sets are compared at one file size.
rate_options=()
[ -z "${SWEEP_RATE:-}" ] || rate_options=(-b:v "$SWEEP_RATE")
sweep=(
    "-mbd 0 -bidir_refine 0"
    "-mbd 0 -bf 0"
    "-mbd 0"
    "-mbd 1"
    "-mbd 2"
    "-mbd 0 -trellis 1 -bidir_refine 0"
    "-mbd 0 -trellis 1"
    "-mbd 1 -trellis 1"
    "-mbd 2 -trellis 1"
    "-mbd 0 -subcmp satd"
    "-mbd 0 -trellis 1 -subcmp satd"
    "-mbd 0 -trellis 1 -cmp satd -subcmp satd"
    "-mbd 0 -trellis 1 -dia_size 2"
    "-mbd 0 -trellis 1 -dc 9"
    "-mbd 0 -trellis 1 -last_pred 2"
)
[ -z "${SWEEP_SETS:-}" ] || mapfile -t sweep <<<"$SWEEP_SETS"
for options in "${sweep[@]}"; do
    # shellcheck disable=SC2086
    r=$(encode "$work/sweep.mpg" "${dvd_options[@]}" "${rate_options[@]}" $options -threads "$threads")
    row "$options" "$r" "$work/sweep.mpg"
done
