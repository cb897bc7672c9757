#!/usr/bin/env python3
"""The files users bring, through kelvclip-cli end to end.

Makes one small file per format with FFmpeg's command-line tool (and the
pictures FFmpeg cannot write with kv-corpus-pictures), packs each into a
one-slide template, and checks what comes out by its content: the picture's
colours are in the frame, the clip moves and plays its own timing, a phone
clip stands upright, the sound is the sound (level, pitch and length), and
`info` reports the right duration.

  media_corpus.py --cli build/bin/kelvclip-cli --group sounds|clips|pictures
                  [--pictures-tool build/tests/kv-corpus-pictures]
                  [--work DIR] [--wrap "valgrind ..."] [--quick]

--wrap runs every kelvclip-cli command under another program (the memory
checker); --quick leaves out the renders whose content the other checks
already cover, to keep that run short. A format whose encoder this FFmpeg
lacks is skipped with a note; any failed check fails the run.
"""
import argparse
import array
import json
import math
import os
import shlex
import shutil
import struct
import zipfile
import subprocess
import sys
import tempfile

FFMPEG = ["ffmpeg", "-hide_banner", "-loglevel", "error", "-y"]

# The split picture every picture and clip shows: left half RED, right half
# BLUE, 160 x 120. A clip turns BLUE after its first half.
RED = (224, 48, 32)
BLUE = (32, 64, 224)
W, H = 160, 120


class Run:
    def __init__(self, args):
        self.cli = [args.cli]
        self.wrap = shlex.split(args.wrap) if args.wrap else []
        self.work = args.work
        self.quick = args.quick
        self.failures = []
        self.skipped = []
        self.encoders = self._encoders()

    def _encoders(self):
        out = subprocess.run(["ffmpeg", "-hide_banner", "-encoders"], capture_output=True,
                             text=True).stdout
        names = set()
        for line in out.splitlines():
            parts = line.split()
            if len(parts) >= 2 and len(parts[0]) == 6 and parts[0][0] in "VAS":
                names.add(parts[1])
        return names

    def path(self, name):
        return os.path.join(self.work, name)

    def fail(self, name, what):
        self.failures.append(f"{name}: {what}")
        print(f"FAIL {name}: {what}", flush=True)

    def kelvclip(self, name, *args):
        """Runs kelvclip-cli (under the wrapper); None when it fails."""
        cmd = self.wrap + self.cli + list(args)
        r = subprocess.run(cmd, capture_output=True, text=True)
        if r.returncode != 0:
            # The memory checker's report starts with its first error; the
            # program's own message is its last line.
            text = r.stderr.strip()
            text = text[:3000] if self.wrap else text[-2000:]
            self.fail(name, f"`{' '.join(args[:1])}` exited {r.returncode}: {text}")
            return None
        if "warning" in r.stderr:
            self.fail(name, f"`{args[0]}` warned: {r.stderr.strip()[-600:]}")
        return r.stdout

    def ffmpeg(self, name, *args):
        r = subprocess.run(FFMPEG + list(args), capture_output=True, text=True)
        if r.returncode != 0:
            self.fail(name, f"ffmpeg could not make it: {r.stderr.strip()[-400:]}")
            return False
        return True

    def need(self, name, *encoders):
        missing = [e for e in encoders if e not in self.encoders]
        if missing:
            self.skipped.append(f"{name} (this FFmpeg has no {', '.join(missing)} encoder)")
            print(f"SKIP {name}: no {', '.join(missing)} encoder", flush=True)
            return False
        return True

    # --- templates ---------------------------------------------------------------

    def pack(self, name, item, sound=None, display=None):
        """A one-slide template showing item; sound on the item when given."""
        slide = {"transition": {"name": "Fade Plugin", "length": 0.5}, "items": [item]}
        if display is not None:
            slide["displayTime"] = display
        if sound:
            item["sound"] = {"file": sound}
        album = {"format": "kelvclip-album", "version": 1,
                 "closingTransition": {"name": "Fade Plugin", "length": 0.5},
                 "slides": [slide]}
        desc = self.path(name + ".json")
        with open(desc, "w") as f:
            json.dump(album, f)
        out = self.path(name + ".vez")
        if self.kelvclip(name, "pack", desc, "-o", out) is None:
            return None
        return out

    def info(self, name, template):
        text = self.kelvclip(name, "info", template, "--json")
        return json.loads(text) if text else None

    def frame(self, name, template, at):
        """The rendered frame at a time as rows of (r, g, b), 160 x 120."""
        png = self.path(f"{name}-{at}.png")
        if self.kelvclip(name, "frame", template, "--at", str(at), "--size", f"{W}x{H}",
                         "-o", png) is None:
            return None
        raw = subprocess.run(FFMPEG + ["-i", png, "-f", "rawvideo", "-pix_fmt", "rgb24", "-"],
                             capture_output=True).stdout
        if len(raw) != W * H * 3:
            self.fail(name, f"frame at {at} s is not {W}x{H}")
            return None
        return raw

    @staticmethod
    def pixel(raw, x, y):
        i = (y * W + x) * 3
        return tuple(raw[i:i + 3])

    def expect_colour(self, name, raw, x, y, want, what, tolerance=48):
        got = self.pixel(raw, x, y)
        if max(abs(a - b) for a, b in zip(got, want)) > tolerance:
            self.fail(name, f"{what}: pixel ({x}, {y}) is {got}, expected about {want}")
            return False
        return True

    def expect_split(self, name, raw, at):
        """Left half red, right half blue, as the picture was made."""
        ok = self.expect_colour(name, raw, 40, 60, RED, f"left half at {at} s")
        return self.expect_colour(name, raw, 120, 60, BLUE, f"right half at {at} s") and ok

    # --- pictures ----------------------------------------------------------------

    def pictures(self, tool):
        split = ["-f", "lavfi", "-i", f"color=c=0x{RED[0]:02X}{RED[1]:02X}{RED[2]:02X}:s={W}x{H}",
                 "-f", "lavfi", "-i", f"color=c=0x{BLUE[0]:02X}{BLUE[1]:02X}{BLUE[2]:02X}:s={W // 2}x{H}",
                 "-filter_complex", f"overlay={W // 2}:0", "-frames:v", "1"]
        # Palette pictures get a palette made for the picture, so its two
        # colours are kept exactly.
        palette = list(split)
        palette[palette.index("-filter_complex") + 1] += (",trim=end_frame=1,split[a][b];"
                                                       "[a]palettegen[p];[b][p]paletteuse")
        made = []
        for name, enc, source, extra in [
            ("baseline.jpg", "mjpeg", split, ["-q:v", "2"]),
            ("palette.png", "png", palette, []),
            ("deep.png", "png", split, ["-pix_fmt", "rgb48be"]),
            ("picture.bmp", "bmp", split, []),
            ("picture.tif", "tiff", split, []),
            ("picture.gif", "gif", palette, []),
            ("plain.webp", "libwebp", split, ["-quality", "95"]),
        ]:
            if self.need(name, enc) and self.ffmpeg(name, *source, "-c:v", enc, *extra,
                                                    self.path(name)):
                made.append(name)
        # What FFmpeg cannot write: progressive and CMYK JPEG, EXIF orientation,
        # phone HEIC and AVIF photos.
        if tool:
            r = subprocess.run([tool, self.work], capture_output=True, text=True)
            if r.returncode != 0:
                self.fail("kv-corpus-pictures", r.stderr.strip())
            for line in r.stdout.splitlines():
                if line.startswith("SKIP "):
                    self.skipped.append(line[5:])
                    print(line, flush=True)
                elif line.strip():
                    made.append(line.strip())
        for name in made:
            template = self.pack(name, {"file": name}, display=2)
            if not template:
                continue
            info = self.info(name, template)
            if info and info["pictures"] != ["files\\" + name]:
                self.fail(name, f"info lists pictures {info['pictures']}")
            raw = self.frame(name, template, 1.5)
            if raw:
                self.expect_split(name, raw, 1.5)

    # --- clips -------------------------------------------------------------------

    def clip_source(self, seconds=3.0, rate=25, width=W, height=H):
        """A split clip that turns blue after half its length."""
        half = seconds / 2
        return ["-f", "lavfi", "-i",
                f"color=c=0x{RED[0]:02X}{RED[1]:02X}{RED[2]:02X}:s={width}x{height}:r={rate}:d={seconds}",
                "-f", "lavfi", "-i",
                f"color=c=0x{BLUE[0]:02X}{BLUE[1]:02X}{BLUE[2]:02X}:s={width // 2}x{height}:r={rate}:d={seconds}",
                "-f", "lavfi", "-i",
                f"color=c=0x{BLUE[0]:02X}{BLUE[1]:02X}{BLUE[2]:02X}:s={width}x{height}:r={rate}:d={seconds}",
                "-filter_complex",
                f"[0][1]overlay={width // 2}:0[s];[s][2]overlay=0:0:enable='gte(t,{half})'"]

    def check_clip(self, name, template, seconds, upright=False):
        info = self.info(name, template)
        if info and abs(info["duration"] - seconds) > 0.15:
            self.fail(name, f"the album lasts {info['duration']} s, the clip {seconds} s")
        early = self.frame(name, template, round(seconds * 0.3, 2))
        late = self.frame(name, template, round(seconds * 0.8, 2))
        if not early or not late:
            return
        if upright:
            # Stored lying on its side with a quarter turn to show: upright,
            # the red half is on top and the blue one below.
            self.expect_colour(name, early, 70, 20, RED, "top while upright")
            self.expect_colour(name, early, 70, 100, BLUE, "bottom while upright")
        else:
            self.expect_split(name, early, round(seconds * 0.3, 2))
        # It moves: the second half of the clip is blue all over.
        self.expect_colour(name, late, 40, 60, BLUE, "left half once the clip turned blue")

    def turn_quarter(self, path):
        """Writes a phone's quarter turn into an MP4's track header, as a
        phone held upright records it (FFmpeg's tool here cannot)."""
        data = bytearray(open(path, "rb").read())
        at = data.find(b"tkhd")
        if at < 0 or data[at + 4] != 0:
            self.fail(os.path.basename(path), "no version-0 track header to turn")
            return False
        # The display matrix follows 40 bytes of version, times, ids and levels.
        struct.pack_into(">9I", data, at + 44, 0, 0x10000, 0, 0xFFFF0000, 0, 0, 0, 0, 0x40000000)
        open(path, "wb").write(data)
        return True

    def clips(self):
        cases = [
            ("h264.mp4", ["libx264"], ["-c:v", "libx264", "-pix_fmt", "yuv420p"]),
            ("h265.mp4", ["libx265"], ["-c:v", "libx265", "-pix_fmt", "yuv420p", "-tag:v", "hvc1",
                                       "-x265-params", "log-level=none"]),
            ("phone.mov", ["libx264", "aac"], ["-c:v", "libx264", "-pix_fmt", "yuv420p"]),
            ("mpeg4.avi", ["mpeg4"], ["-c:v", "mpeg4", "-q:v", "3"]),
            ("mpeg1.mpg", ["mpeg1video"], ["-c:v", "mpeg1video", "-q:v", "3"]),
            ("mpeg2.mpg", ["mpeg2video"], ["-c:v", "mpeg2video", "-q:v", "3"]),
            ("h264.mkv", ["libx264"], ["-c:v", "libx264", "-pix_fmt", "yuv420p"]),
            ("vp8.webm", ["libvpx"], ["-c:v", "libvpx", "-b:v", "300k"]),
            ("vp9.webm", ["libvpx-vp9"], ["-c:v", "libvpx-vp9", "-b:v", "300k"]),
            ("av1.webm", ["libaom-av1"], ["-c:v", "libaom-av1", "-cpu-used", "8", "-b:v", "200k"]),
            ("clip.3gp", ["libx264"], ["-c:v", "libx264", "-pix_fmt", "yuv420p", "-profile:v",
                                      "baseline"]),
        ]
        for name, encoders, codec in cases:
            if not self.need(name, *encoders):
                continue
            extra = []
            if name == "phone.mov":
                # A phone's clip with its sound.
                extra = ["-f", "lavfi", "-i", "sine=frequency=440:duration=3", "-c:a", "aac",
                         "-shortest"]
            if self.ffmpeg(name, *self.clip_source(), *extra, *codec, self.path(name)):
                template = self.pack(name, {"file": name})
                if template:
                    self.check_clip(name, template, 3.0)

        # A width that is no multiple of the scaler's vector block (phones
        # film 1080 wide): its conversion must stay inside the frame's rows.
        if self.need("odd-width.mp4", "libx264") and self.ffmpeg(
                "odd-width.mp4", *self.clip_source(width=W + 40, height=H + 4), "-c:v", "libx264",
                "-pix_fmt", "yuv420p", self.path("odd-width.mp4")):
            template = self.pack("odd-width.mp4", {"file": "odd-width.mp4"})
            if template:
                self.check_clip("odd-width.mp4", template, 3.0)

        # A phone clip stored sideways with a quarter turn in its metadata.
        if self.need("rotated.mp4", "libx264") and self.ffmpeg(
                "rotated.mp4", *self.clip_source(), "-c:v", "libx264", "-pix_fmt", "yuv420p",
                self.path("rotated.mp4")) and self.turn_quarter(self.path("rotated.mp4")):
            template = self.pack("rotated.mp4", {"file": "rotated.mp4"})
            if template:
                self.check_clip("rotated.mp4", template, 3.0, upright=True)

        # Variable frame rate: 25 frames a second for the first second, then
        # one frame every 0.2 s; the colour changes at 1.5 s as in the others.
        if self.need("vfr.mp4", "libx264"):
            src = self.clip_source(seconds=3.0, rate=25)
            src[-1] += ",select='lt(t,1)+not(mod(n,5))',setpts=PTS-STARTPTS"
            if self.ffmpeg("vfr.mp4", *src, "-fps_mode", "vfr", "-c:v", "libx264",
                           "-pix_fmt", "yuv420p", self.path("vfr.mp4")):
                template = self.pack("vfr.mp4", {"file": "vfr.mp4"})
                if template:
                    self.check_clip("vfr.mp4", template, 3.0)
                    # Each time shows the latest frame at or before it: the
                    # frames are 0.2 s apart after the first second, and the
                    # times asked for fall between them.
                    for at, blue in [(0.5, False), (1.1, False), (1.45, False), (1.7, True),
                                     (2.3, True), (2.4, True)]:
                        raw = self.frame("vfr.mp4", template, at)
                        if raw and blue:
                            self.expect_colour("vfr.mp4", raw, 40, 60, BLUE, f"blue at {at} s")
                        elif raw:
                            self.expect_split("vfr.mp4", raw, at)

    def refusals(self):
        """What cannot be read is refused by pack, and warned about when a
        template carries it anyway, with a reason; never a crash."""
        good = self.path("h264.mp4")
        cases = [("text.mp4", b"these are notes, not a clip\n", "not a picture, clip or sound"),
                 ("empty.mp3", b"", "empty"),
                 ("cut.mp4", open(good, "rb").read()[:600] if os.path.exists(good) else b"",
                  "damaged or cut short")]
        for name, data, reason in cases:
            with open(self.path(name), "wb") as f:
                f.write(data)
            desc = self.path(name + ".json")
            with open(desc, "w") as f:
                json.dump({"format": "kelvclip-album", "version": 1,
                           "slides": [{"items": [{"file": name}]}]}, f)
            r = subprocess.run(self.wrap + self.cli + ["pack", desc, "-o", self.path(name + ".vez")],
                               capture_output=True, text=True)
            if r.returncode != 2 or name not in r.stderr or reason not in r.stderr:
                self.fail(name, f"pack exited {r.returncode} and said {r.stderr.strip()[:400]!r}; "
                                f"expected a refusal naming the file and \"{reason}\"")
        # A template that carries such a file anyway: the clip's entry of a
        # good template overwritten. The frame is still made, with a warning
        # that names the file and the reason.
        source = self.path("h264.mp4.vez")
        if not os.path.exists(source):
            return
        broken = self.path("broken.vez")
        with zipfile.ZipFile(source) as src, zipfile.ZipFile(broken, "w") as dst:
            for entry in src.infolist():
                data = src.read(entry.filename)
                dst.writestr(entry, b"these are notes, not a clip\n"
                             if entry.filename.lower().endswith("h264.mp4") else data)
        png = self.path("broken.png")
        r = subprocess.run(self.wrap + self.cli + ["frame", broken, "--at", "1", "--size",
                                                   f"{W}x{H}", "-o", png],
                           capture_output=True, text=True)
        if r.returncode != 0 or "h264.mp4" not in r.stderr or "not" not in r.stderr:
            self.fail("broken.vez", f"frame exited {r.returncode} and said {r.stderr.strip()[:400]!r}; "
                                    "expected a frame and a warning naming the clip with a reason")

    # --- sounds ------------------------------------------------------------------

    def first_channel(self, path):
        """The first channel of a file's sound at 44100 Hz, as 16-bit samples."""
        # FFmpeg's tool picks picture readers by name: a sound named .png is
        # read as what it is.
        forced = ["-f", "mp3"] if path.endswith(".png") else []
        pcm = subprocess.run(FFMPEG + forced + ["-i", path, "-map", "0:a", "-af", "pan=mono|c0=c0",
                                       "-ar", "44100", "-f", "s16le", "-"],
                             capture_output=True).stdout
        samples = array.array("h")
        samples.frombytes(pcm[:len(pcm) // 2 * 2])
        if sys.byteorder != "little":
            samples.byteswap()
        return samples

    @staticmethod
    def level(samples):
        rms = math.sqrt(sum(s * s for s in samples) / max(1, len(samples))) / 32768
        return 20 * math.log10(max(rms, 1e-9))

    def check_sound(self, name, template, seconds):
        info = self.info(name, template)
        if info and not any(s["file"].lower().endswith(name.lower()) for s in info["sounds"]):
            self.fail(name, f"info lists sounds {info['sounds']}")
        if self.quick:
            return
        out = self.path(name + ".avi")
        if self.kelvclip(name, "render", template, "-o", out, "--disc", "custom", "--size",
                         "200x200", "--vcodec", "mjpeg", "--acodec", "pcm_s16le") is None:
            return
        rate = 44100
        samples = self.first_channel(out)
        # The sounding part: from the first to the last 10 ms block above -50 dBFS.
        block = rate // 100
        loud = [i for i in range(0, len(samples) - block, block)
                if max(abs(s) for s in samples[i:i + block]) > 100]
        if not loud:
            self.fail(name, "the render is silent")
            return
        start, end = loud[0], loud[-1] + block
        length = (end - start) / rate
        if abs(length - seconds) > 0.2:
            self.fail(name, f"the sound lasts {length:.2f} s in the render, {seconds} s in the file")
        body = samples[start + rate // 4:end - rate // 4]
        # Level: the file's own, as FFmpeg decodes it (volume 1, no music).
        level, want = self.level(body), self.level(self.first_channel(self.path(name)))
        if abs(level - want) > 1.5:
            self.fail(name, f"the sound's level is {level:.1f} dBFS in the render, "
                            f"{want:.1f} dBFS in the file")
        crossings = sum(1 for a, b in zip(body, body[1:]) if (a < 0) != (b < 0))
        pitch = crossings / 2 / (len(body) / rate)
        if abs(pitch - 440) > 8:
            self.fail(name, f"the sound's pitch is {pitch:.0f} Hz, expected 440 Hz")

    def sounds(self):
        picture = self.path("still.png")
        if not self.ffmpeg("still.png", "-f", "lavfi", "-i", f"color=c=gray:s={W}x{H}",
                           "-frames:v", "1", picture):
            return
        seconds = 2.0
        sine = ["-f", "lavfi", "-i", f"sine=frequency=440:duration={seconds}", "-af", "volume=0.5"]
        cases = [
            ("music.mp3", "libmp3lame", ["-ac", "2"]),
            ("music.m4a", "aac", ["-ac", "2"]),
            ("music.ogg", "libvorbis", ["-ac", "2"]),
            ("music.opus", "libopus", ["-ac", "2"]),
            ("music.flac", "flac", ["-ac", "2"]),
            ("u8.wav", "pcm_u8", ["-ac", "1", "-ar", "8000"]),
            ("s16.wav", "pcm_s16le", ["-ac", "2", "-ar", "44100"]),
            ("s24-mono.wav", "pcm_s24le", ["-ac", "1", "-ar", "48000"]),
            ("float.wav", "pcm_f32le", ["-ac", "2", "-ar", "96000"]),
            ("surround.wav", "pcm_s16le", ["-af", "volume=0.5,pan=5.1|FL=c0|FR=c0|FC=c0|LFE=c0|BL=c0|BR=c0",
                                           "-ar", "48000"]),
            ("music.wma", "wmav2", ["-ac", "2"]),
        ]
        # Music with its album cover (a picture stream marked as attached):
        # still a sound. And a sound whose name says picture.
        cover = ["-map", "0:a", "-map", "1:v", "-c:v", "png", "-disposition:v", "attached_pic",
                 "-id3v2_version", "3"]
        cases += [("cover.mp3", "libmp3lame", ["-ac", "2"] + cover),
                  ("sound-named.png", "libmp3lame", ["-ac", "2", "-f", "mp3"])]
        for name, encoder, extra in cases:
            if not self.need(name, encoder):
                continue
            args = list(sine)
            if "attached_pic" in extra:
                args[4:4] = ["-i", picture]  # the cover, after the sound's input
            if "-af" in extra:
                args = args[:-2]  # the case's own filter replaces the level
            if self.ffmpeg(name, *args, *extra, "-c:a", encoder, self.path(name)):
                template = self.pack(name, {"file": "still.png"}, sound=name, display=3)
                if template:
                    self.check_sound(name, template, seconds)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cli", required=True)
    parser.add_argument("--group", required=True, choices=["sounds", "clips", "pictures"])
    parser.add_argument("--pictures-tool")
    parser.add_argument("--work")
    parser.add_argument("--wrap")
    parser.add_argument("--quick", action="store_true")
    args = parser.parse_args()
    if not shutil.which("ffmpeg"):
        print("ffmpeg is not installed (scripts/install-deps.sh installs it)", file=sys.stderr)
        return 2
    keep = args.work is not None
    if keep:
        shutil.rmtree(args.work, ignore_errors=True)
        os.makedirs(args.work)
    else:
        args.work = tempfile.mkdtemp(prefix="kv-corpus-")
    run = Run(args)
    try:
        if args.group == "pictures":
            run.pictures(args.pictures_tool)
        elif args.group == "clips":
            run.clips()
            run.refusals()
        else:
            run.sounds()
    finally:
        if not keep:
            shutil.rmtree(args.work, ignore_errors=True)
    for s in run.skipped:
        print(f"skipped: {s}")
    if run.failures:
        print(f"{len(run.failures)} check(s) failed", file=sys.stderr)
        return 1
    print(f"{args.group}: every check passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
