#!/bin/bash
# What an MP4 render costs against FFmpeg encoding the very same frames.
#
# An album of camera photographs (ten JPEGs of PHOTOS, 3 s each, 1 s
# cross-fades, pan and zoom 1.0 -> 1.15, an MP3 sound track) is packed and
#  0. rendered by bench_album (when the build has the benchmarks,
#     -DKV_BUILD_BENCH=ON) into the encoder's 4:2:0 pictures, which it drops:
#     the render-only rate, all the work of an MP4 render but compression;
#  1. rendered by kelvclip to uncompressed frames in memory (AVI, rawvideo),
#     the frames FFmpeg encodes below; this rate counts the writing of some
#     6 MB a frame at 1080p as well;
#  2. rendered by kelvclip to an MP4 file (H.264 + AAC): end to end;
#  3. the frames of 1 encoded by FFmpeg's command-line tool with the options
#     kelvclip's MP4 engine uses (same libx264 preset and rate factor, group
#     of pictures, B-pictures, colour tags, AAC at 48 kHz, +faststart).
# It prints times, sizes, PSNR of both files against the frames (decoded to
# RGB, so each encoder's own colour conversion counts) and the ratio
# end-to-end / FFmpeg. With PRESETS="ultrafast superfast ..." it also
# encodes the frames with each libx264 preset at the bit rate kelvclip's
# file has (one pass) and prints time, size and PSNR: the quality each
# preset buys at the same size, the measurement behind the engine's preset.
#
#   bench/mp4-encode.sh [BUILD_DIR] [SIZE]     (RUNS=5: pairs of end-to-end runs, default 3)
#   PHOTOS=folder PRESETS="veryfast faster" bench/mp4-encode.sh build 1920x1080
#
# PHOTOS defaults to /usr/share/backgrounds/mate/nature (Debian's
# mate-backgrounds package); any folder of camera JPEGs does. The frames
# take SIZE x 3 bytes each in /dev/shm (about 3.4 GB at 1080p).
set -euo pipefail

build=${1:-$(cd "$(dirname "$0")/.." && pwd)/build}
size=${2:-1920x1080}
source "$(dirname "$0")/photo-album.sh"
preset=veryfast # what CMp4Engine uses
crf=20

music=$(find "$build/samples" -name '*.mp3' 2>/dev/null | head -1 || true)
pack_album "$work/album.vez" 3 "${music:-$work/music.mp3}"

# PSNR of a file's pictures against the rendered frames, decoded to RGB with
# the chroma where H.264 (and MPEG-2) put it in 4:2:0: at the first column of
# its pair, between its two rows.
psnr() {
    ffmpeg -nostats -i "$1" -i "$work/frames.avi" \
        -lavfi "[0:v]scale=in_color_matrix=$matrix:in_range=tv:in_h_chr_pos=0:in_v_chr_pos=128,format=gbrp[a];[1:v]format=gbrp[b];[a][b]psnr" -f null - 2>&1 |
        sed -n 's/.*average:\([0-9.inf]*\).*/\1/p' | tail -1
}

# The frames: a custom-size AVI at 29.97 frames per second (the NTSC
# standard's rate, which AVI files are made at) with the 16:9 album filling
# the frame as in the MP4.
render_s=$(timed "$cli" render "$work/album.vez" -o "$work/frames.avi" --disc custom --size "$size" \
    --wide --standard ntsc --vcodec rawvideo --acodec pcm_s16le)
frames=$(ffprobe -v error -count_packets -select_streams v:0 -show_entries stream=nb_read_packets -of csv=p=0 "$work/frames.avi")
fps=29.97

gop=$(python3 -c "print(max(1, round(2 * $fps)))")
height=${size#*x}
matrix=$([ "$height" -gt 576 ] && echo bt709 || echo smpte170m)
primaries=$([ "$height" -gt 576 ] && echo bt709 || echo smpte170m)
# The FFmpeg command on the frames with kelvclip's options, a libx264 preset
# and more options, into the array ff (timed runs commands, not functions).
encode_command() {
    local preset=$1 out=$2
    shift 2
    [ $# -gt 0 ] || set -- -crf "$crf" # a rate factor unless a bit rate is given
    ff=(ffmpeg -y -nostats -loglevel error -i "$work/frames.avi"
        -c:v libx264 -preset "$preset" "$@" -g "$gop" -bf 3 -pix_fmt yuv420p
        -sws_flags bicubic -vf "scale=out_color_matrix=$matrix"
        -colorspace "$matrix" -color_primaries "$primaries" -color_trc "$primaries"
        -c:a aac -b:a 192k -ar 48000 -ac 2 -movflags +faststart "$out")
}
encode_command "$preset" "$work/ffmpeg.mp4"
# RUNS pairs, kelvclip then FFmpeg, so that both see the machine alike; the
# medians and their ratio are printed (one run of each varies by some 10 %
# on a shared machine).
e2e_runs=() ff_runs=()
for ((r = 0; r < ${RUNS:-3}; ++r)); do
    e2e_runs+=("$(measured "$cli" render "$work/album.vez" -o "$work/kelvclip.mp4" --size "$size" --wide --standard ntsc --fps "$fps")")
    ff_runs+=("$(measured "${ff[@]}")")
done
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
column() { local n=$1; shift; printf '%s\n' "$@" | cut -d' ' -f"$n"; }
e2e_s=$(median $(column 1 "${e2e_runs[@]}"))
ff_s=$(median $(column 1 "${ff_runs[@]}"))
e2e_cpu=$(median $(column 2 "${e2e_runs[@]}"))
ff_cpu=$(median $(column 2 "${ff_runs[@]}"))

printf 'album               %d photographs of %s, %s frames at %s x %s fps\n' "${#pictures[@]}" "$photos" "$frames" "$size" "$fps"
if [ -x "$build/bin/bench_album" ]; then
    "$build/bin/bench_album" "$work/album.vez" "$size" >"$work/render-only"
    printf 'render only         %6.1f frames/s (into 4:2:0 pictures, dropped: bench_album)\n' \
        "$(sed -n 's/.* \([0-9.]*\) fps .*/\1/p' "$work/render-only")"
else
    printf 'render only         (build with -DKV_BUILD_BENCH=ON for bench_album'"'"'s rate)\n'
fi
printf 'render to AVI       %6.2f s  %6.1f frames/s (uncompressed frames written to memory)\n' "$render_s" "$(python3 -c "print($frames / $render_s)")"
printf 'kelvclip MP4        %6.2f s  %6.2f s CPU  %6.1f MB  PSNR %s dB  (median of %d: %s s)\n' "$e2e_s" "$e2e_cpu" "$(megabytes "$work/kelvclip.mp4")" "$(psnr "$work/kelvclip.mp4")" "${RUNS:-3}" "$(column 1 "${e2e_runs[@]}" | paste -sd' ')"
printf 'FFmpeg on frames    %6.2f s  %6.2f s CPU  %6.1f MB  PSNR %s dB  (libx264 %s, crf %d; %s s)\n' "$ff_s" "$ff_cpu" "$(megabytes "$work/ffmpeg.mp4")" "$(psnr "$work/ffmpeg.mp4")" "$preset" "$crf" "$(column 1 "${ff_runs[@]}" | paste -sd' ')"
printf 'end-to-end / FFmpeg %6.3f wall, %.3f CPU (at most 1.15 wanted)\n' "$(python3 -c "print($e2e_s / $ff_s)")" "$(python3 -c "print($e2e_cpu / $ff_cpu)")"

# The presets at the bit rate of kelvclip's file.
rate=$(ffprobe -v error -select_streams v:0 -show_entries stream=bit_rate -of csv=p=0 "$work/kelvclip.mp4")
for p in ${PRESETS:-}; do
    encode_command "$p" "$work/preset.mp4" -b:v "$rate"
    s=$(timed "${ff[@]}")
    printf 'preset %-10s   %6.2f s  %6.1f MB  PSNR %s dB  (%s kbit/s)\n' "$p" "$s" "$(megabytes "$work/preset.mp4")" "$(psnr "$work/preset.mp4")" "$((rate / 1000))"
done
