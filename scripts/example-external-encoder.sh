#!/bin/bash
# An external MPEG encoder for kelvclip: point the setting "TMpgEnc" at this
# script and set "Encoder" to 1 (see docs/frame-serving.md). kelvclip starts
# it as
#
#   example-external-encoder.sh /batch /close JOBFILE
#
# The job file holds "KEY = VALUE" lines. This script reads the placeholder
# (JOB.Source.Video) through kelvclip-frameclient and encodes with FFmpeg's
# command-line tool into JOB.Output.File: a video elementary stream when
# JOB.Output.StreamType asks for video only, else a program stream with the
# sound. kelvclip-frameclient is $KELVCLIP_FRAMECLIENT (kelvclip sets it to
# the client beside itself), else the one on PATH; FFmpeg is $KELVCLIP_FFMPEG,
# else ffmpeg on PATH.
set -euo pipefail

job=""
for arg in "$@"; do
    case "$arg" in
        /batch | /close) ;;
        *) job=$arg ;;
    esac
done
if [[ -z "$job" || ! -r "$job" ]]; then
    echo "usage: $0 /batch /close JOBFILE" >&2
    exit 64
fi

trim() {
    local s=$1
    s=${s#"${s%%[![:space:]]*}"}
    s=${s%"${s##*[![:space:]]}"}
    printf '%s' "$s"
}

# The job's values by key, without enclosing single quotes.
declare -A J=()
while IFS= read -r line || [[ -n "$line" ]]; do
    line=${line%$'\r'}
    [[ "$line" == \;* || "$line" != *=* ]] && continue
    key=$(trim "${line%%=*}")
    value=$(trim "${line#*=}")
    if [[ ${#value} -ge 2 && "$value" == \'*\' ]]; then
        value=${value:1:${#value}-2}
    fi
    J[$key]=$value
done <"$job"

need() {
    if [[ -z "${J[$1]:-}" ]]; then
        echo "$job: no $1" >&2
        exit 65
    fi
    printf '%s' "${J[$1]}"
}

src=$(need JOB.Source.Video)
out=$(need JOB.Output.File)
codec=$(need JOB.Video.Codec)
width=$(need JOB.Video.Width)
height=$(need JOB.Video.Height)
client=${KELVCLIP_FRAMECLIENT:-kelvclip-frameclient}
ffmpeg=${KELVCLIP_FFMPEG:-ffmpeg}

if [[ "${J[JOB.Video.FrameRate]:-3}" == 3 ]]; then
    rate=25 gop=15
else
    rate=30000/1001 gop=18
fi
aspect=4:3
[[ "${J[JOB.Video.SourceAspect]:-13}" == 14 ]] && aspect=16:9
gop=${J[JOB.Gop.MaxFrames]:-$gop}

video=(-c:v "$codec" -s "${width}x${height}" -aspect "$aspect" -r "$rate" -pix_fmt yuv420p
    -g "$gop" -bf "${J[JOB.Gop.BFrames]:-2}" -threads:v 2)
[[ -n "${J[JOB.Video.BitRate]:-}" ]] && video+=(-b:v "${J[JOB.Video.BitRate]}")
[[ -n "${J[JOB.Video.MaxRate]:-}" ]] && video+=(-maxrate "${J[JOB.Video.MaxRate]}")
[[ -n "${J[JOB.Video.MinRate]:-}" ]] && video+=(-minrate "${J[JOB.Video.MinRate]}")
[[ -n "${J[JOB.Video.BufferSize]:-}" ]] && video+=(-bufsize "${J[JOB.Video.BufferSize]}")
[[ "${J[JOB.Gop.Closed]:-0}" == 1 ]] && video+=(-flags +cgop -sc_threshold 1000000000)
[[ -n "${J[JOB.Video.Decision]:-}" ]] && video+=(-mbd "${J[JOB.Video.Decision]}")
[[ "${J[JOB.Video.Trellis]:-0}" == 1 ]] && video+=(-trellis 1)
[[ "${J[JOB.Video.ScanOffset]:-0}" == 1 ]] && video+=(-scan_offset 1)

quiet=(-hide_banner -nostdin -loglevel error -y)

if [[ "${J[JOB.Output.StreamType]:-}" == MPEG_OutputStreamType_VideoOnly ]]; then
    # The pictures alone, as an MPEG video elementary stream.
    elementary=mpeg2video
    [[ "$codec" == mpeg1video ]] && elementary=mpeg1video
    "$client" --video y4m "$src" |
        "$ffmpeg" "${quiet[@]}" -f yuv4mpegpipe -i - "${video[@]}" -f "$elementary" "$out"
    exit 0
fi

# Pictures and sound in one program stream: the sound first, into a file of
# its own, then the pictures through the pipe.
work=$(mktemp -d "${TMPDIR:-/tmp}/kvencoder-XXXXXX")
trap 'rm -rf "$work"' EXIT
trap 'exit 143' TERM
trap 'exit 130' INT
length=$("$client" --info "$src" | sed -n 's/^audio_length=//p')
sound=()
if [[ "${length:-0}" != 0 ]]; then
    "$client" --video none --audio "$work/sound.wav" "$src"
    sound=(-i "$work/sound.wav" -map 0:v -map 1:a -c:a "${J[JOB.Audio.Codec]:-mp2}"
        -b:a "${J[JOB.Audio.BitRate]:-224000}" -ar "${J[JOB.Audio.Rate]:-44100}" -ac 2)
fi
"$client" --video y4m "$src" |
    "$ffmpeg" "${quiet[@]}" -f yuv4mpegpipe -i - "${sound[@]}" "${video[@]}" \
        -f "${J[JOB.Output.Format]:-vob}" "$out"
