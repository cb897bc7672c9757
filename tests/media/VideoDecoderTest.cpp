// The video decoders over FFmpeg: the choice by extension, exact frames by
// index and time in every format users bring, forward decoding against
// seeking, half size, posters and aspect codes, phone clips turned upright,
// uneven frame times, and the reasons given for clips that cannot be read.
// Every clip shows its frame number in bars.
#include "media/AnyDecoder.h"
#include "media/AnyVidDecoder.h"
#include "media/DxVidDecoder.h"
#include "media/MpgVidDecoder.h"
#include "media/QtVidDecoder.h"
#include "tests/media/MediaTestUtil.h"
#include "tests/support/MediaMaker.h"
#include "tests/support/SoundWriter.h"
#include "tests/support/TempDir.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <memory>
#include <random>

namespace {

// The number shown by the frame a decoder hands out; −1 for none.
int Number(const std::uint8_t* frame, int stride, int w, int h) {
    if (!frame)
        return -1;
    const std::uint8_t* top = stride < 0 ? frame + std::ptrdiff_t(-stride) * (h - 1) : frame;
    return ReadClipNumber(top, stride, w, h);
}

int FrameNumber(PLVidDecoder& dec, std::int64_t i) {
    int stride = 0;
    return Number(dec.GetFrame(i, stride), stride, dec.GetWidth(), dec.GetHeight());
}

// Indices 0 … n − 1 in random order (seeks back and forth, short steps
// forward), then straight through.
std::vector<std::int64_t> IndexOrder(std::int64_t n, unsigned seed) {
    std::vector<std::int64_t> order;
    for (std::int64_t i = 0; i < n; ++i)
        order.push_back(i);
    std::shuffle(order.begin(), order.end(), std::mt19937(seed));
    for (std::int64_t i = 0; i < n; ++i)
        order.push_back(i);
    return order;
}

class VideoDecoder : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = std::make_unique<CTempDir>();
        ASSERT_TRUE(WriteClip(Path("clip.mpg"), {.frames = 80, .aspectNum = 16, .aspectDen = 9,
                                                  .audio = true}));
        ASSERT_TRUE(WriteClip(Path("clip.mp4"), {.frames = 60, .container = "mp4",
                                                  .codec = "mpeg4"}));
        ASSERT_TRUE(WriteClip(Path("clip.avi"), {.frames = 60, .container = "avi",
                                                  .codec = "mpeg4"}));
        ASSERT_TRUE(WriteClip(Path("short.mpg"), {.width = 80, .frames = 12}));
        ASSERT_TRUE(WriteClip(Path("pal.mpg"), {.width = 720, .height = 576, .frames = 3,
                                                 .aspectNum = 4, .aspectDen = 3}));
    }
    static void TearDownTestSuite() { s_dir.reset(); }
    static std::string Path(const std::string& name) { return *s_dir / name; }

    static std::unique_ptr<CTempDir> s_dir;
};
std::unique_ptr<CTempDir> VideoDecoder::s_dir;

// Pixel (x, y) counted from the top row, whatever the row order.
const std::uint8_t* PixelFromTop(const std::uint8_t* frame, int stride, int height, int x, int y) {
    const std::uint8_t* top = stride < 0 ? frame + std::ptrdiff_t(-stride) * (height - 1) : frame;
    return top + std::ptrdiff_t(y) * stride + 4 * x;
}

bool IsRed(const std::uint8_t* p) { return p[2] > 170 && p[1] < 80 && p[0] < 80; }

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// The text of the decoder error a statement raises, with its code.
template <class F>
std::string ErrorText(F&& open, int code) {
    try {
        open();
    } catch (const PLTextException& e) {
        EXPECT_EQ(e.GetCode(), code) << e.what();
        return e.what();
    }
    ADD_FAILURE() << "no PLTextException";
    return {};
}

} // namespace

TEST_F(VideoDecoder, EveryFrameInAnyOrderIsExactlyTheOneAskedFor) {
    for (const char* name : {"clip.mpg", "clip.mp4", "clip.avi"}) {
        SCOPED_TRACE(name);
        PLAnyVidDecoder dec;
        ASSERT_TRUE(dec.OpenFile2(Path(name)));
        std::int64_t n = dec.GetFrameCount();
        ASSERT_GE(n, 60);
        for (std::int64_t i : IndexOrder(n, 7))
            ASSERT_EQ(FrameNumber(dec, i), i);
        int stride = 0;
        EXPECT_FALSE(dec.GetFrame(n, stride));
        EXPECT_FALSE(dec.GetFrame(-1, stride));
    }
}

TEST_F(VideoDecoder, ShortStepsDecodeForwardAndOthersSeek) {
    PLMpgVidDecoder dec;
    ASSERT_TRUE(dec.OpenFile2(Path("clip.mpg")));
    ASSERT_EQ(FrameNumber(dec, 5), 5);
    int seeks = dec.GetCore().GetSeekCount();
    ASSERT_EQ(FrameNumber(dec, 12), 12);
    EXPECT_EQ(dec.GetCore().GetSeekCount(), seeks);
    ASSERT_EQ(FrameNumber(dec, 12), 12);
    EXPECT_EQ(dec.GetCore().GetSeekCount(), seeks);
    ASSERT_EQ(FrameNumber(dec, 3), 3);
    EXPECT_GT(dec.GetCore().GetSeekCount(), seeks);
    seeks = dec.GetCore().GetSeekCount();
    ASSERT_EQ(FrameNumber(dec, 70), 70);
    EXPECT_GT(dec.GetCore().GetSeekCount(), seeks);
}

TEST_F(VideoDecoder, FactsTimesAndOpaqueFrames) {
    PLMpgVidDecoder mpg;
    ASSERT_TRUE(mpg.OpenFile2(Path("clip.mpg")));
    EXPECT_EQ(mpg.GetFrameCount(), 80);
    EXPECT_DOUBLE_EQ(mpg.GetFrameRate(), 25.0);
    EXPECT_DOUBLE_EQ(mpg.GetDuration(), 3.2);
    EXPECT_TRUE(mpg.HasAudio());
    int stride = 0;
    const std::uint8_t* f = mpg.GetFrameAtTime(1.0, stride);
    EXPECT_EQ(Number(f, stride, 64, 48), 25);
    EXPECT_EQ(stride, -64 * 4); // bottom-up
    for (int k = 0; k < 64 * 48; ++k)
        ASSERT_EQ(f[4 * k + 3], 255);
    EXPECT_EQ(Number(mpg.GetFrameAtTime(1.03, stride), stride, 64, 48), 26); // rounds

    PLQtVidDecoder mp4;
    ASSERT_TRUE(mp4.OpenFile2(Path("clip.mp4")));
    EXPECT_FALSE(mp4.HasAudio());
    f = mp4.GetFrame(7, stride);
    EXPECT_EQ(stride, 64 * 4); // top-down
    EXPECT_EQ(Number(f, stride, 64, 48), 7);

    PLAnyVidDecoder avi;
    ASSERT_TRUE(avi.OpenFile2(Path("clip.avi")));
    EXPECT_FALSE(avi.GetFrameAtTime(-0.1, stride));
    EXPECT_FALSE(avi.GetFrameAtTime(2.5, stride));
    EXPECT_EQ(Number(avi.GetFrameAtTime(1.03, stride), stride, 64, 48), 25); // truncates
}

TEST_F(VideoDecoder, HalfSizeOnlyWhenTheRequestAllowsIt) {
    struct SCase {
        int rw, rh, w, h;
    } cases[] = {{360, 288, 360, 288}, {361, 288, 720, 576}, {100, 0, 720, 576},
                 {0, 0, 720, 576}};
    for (const SCase& c : cases) {
        PLMpgVidDecoder dec;
        dec.SetRequestedSize(c.rw, c.rh);
        ASSERT_TRUE(dec.OpenFile2(Path("pal.mpg")));
        EXPECT_EQ(dec.GetWidth(), c.w) << c.rw << "x" << c.rh;
        EXPECT_EQ(dec.GetHeight(), c.h);
        EXPECT_EQ(FrameNumber(dec, 2), 2);
    }
}

TEST_F(VideoDecoder, PostersAndAspect) {
    PLAnyDecoder dec;
    ASSERT_TRUE(dec.OpenFile2(Path("short.mpg")));
    EXPECT_NEAR(dec.GetDuration(), 0.48, 1e-9);
    PLAnyBmp poster;
    dec.DecodeTo(&poster, 32);
    EXPECT_EQ(ReadClipNumber(poster.GetLineArray()[0], poster.GetBytesPerLine(), 80, 48), 0);

    ASSERT_TRUE(dec.OpenFile2(Path("clip.mpg")));
    dec.DecodeTo(&poster, 32);
    EXPECT_EQ(ReadClipNumber(poster.GetLineArray()[0], poster.GetBytesPerLine(), 64, 48), 25);
    double w = 0, h = 0;
    ASSERT_TRUE(dec.GetAspectRatio(w, h));
    EXPECT_EQ(w, 16);
    EXPECT_EQ(h, 9);
    // A thumbnail of a clip: the poster scaled into the box.
    PLAnyBmp box;
    box.Create(32, 32, 32, false, false);
    ASSERT_TRUE(dec.DecodeInto(box));

    PLMpgVidDecoder pal;
    ASSERT_TRUE(pal.OpenFile2(Path("pal.mpg")));
    ASSERT_TRUE(pal.GetAspectRatio(w, h));
    EXPECT_EQ(w, 4);
    EXPECT_EQ(h, 3);
    // 80 × 48 in square pixels is no standard shape: code 1.
    PLMpgVidDecoder square;
    ASSERT_TRUE(square.OpenFile2(Path("short.mpg")));
    ASSERT_TRUE(square.GetAspectRatio(w, h));
    EXPECT_EQ(w, 1);
    EXPECT_EQ(h, 1);
}

TEST_F(VideoDecoder, ChoiceByContentAndErrors) {
    CTempDir dir;
    std::string mov = dir / "CLIP.MOV";
    ASSERT_TRUE(WriteClip(mov, {.frames = 5, .container = "mov", .codec = "mpeg4"}));
    PLAnyVidDecoder dec;
    dec.OpenByName(mov);
    EXPECT_TRUE(dynamic_cast<PLQtVidDecoder*>(dec.GetDecoder()));

    // The container decides, not the name: an AVI named .mov goes to the
    // general decoder, a program stream named .avi to the MPEG decoder.
    std::string avi = dir / "avi.mov";
    ASSERT_TRUE(WriteClip(avi, {.frames = 5, .container = "avi", .codec = "mpeg4"}));
    dec.OpenByName(avi);
    EXPECT_TRUE(dynamic_cast<PLDxVidDecoder*>(dec.GetDecoder()));
    EXPECT_EQ(FrameNumber(dec, 4), 4);
    std::string mpg = dir / "mpeg.avi";
    ASSERT_TRUE(WriteClip(mpg, {.frames = 5}));
    dec.OpenByName(mpg);
    EXPECT_TRUE(dynamic_cast<PLMpgVidDecoder*>(dec.GetDecoder()));
    EXPECT_EQ(FrameNumber(dec, 3), 3);

    // What is no clip at all fails in the general decoder.
    EXPECT_PL_ERROR(dec.OpenByName(""), PL_ERRFORMAT_NOT_SUPPORTED, "Empty Filename");
    // The fixed text leads; the reason follows.
    EXPECT_PL_ERROR(dec.OpenByName(dir / "gone.mpg"), PL_ERRINTERNAL,
                    "DShow Error: the file does not exist");
    EXPECT_PL_ERROR(dec.OpenByName(dir.WriteFile("junk.mp4", "not a clip")), PL_ERRINTERNAL,
                    "DShow Error: the file is not in a video format this build can read");
    int stride = 0;
    EXPECT_FALSE(dec.GetFrame(0, stride));
    EXPECT_EQ(dec.GetFrameCount(), 0);
}

// Each container and codec a user's camera or phone writes opens with its
// facts and gives every frame exactly, in any order (B-frames with MP4 edit
// lists, Matroska's rounded stamps, VP8/VP9 hidden frames, AV1).
struct SFormat {
    const char* label;
    const char* file;
    const char* container;
    const char* codecs; // encoders that make this format, the first this build has is used
    int width;
    int height;
};

class VideoDecoderFormat : public ::testing::TestWithParam<SFormat> {};

TEST_P(VideoDecoderFormat, OpensAndGivesEveryFrameExactly) {
    const SFormat& f = GetParam();
    SClipOptions o{.width = f.width, .height = f.height, .frames = 30, .container = f.container};
    std::string why, missing;
    std::istringstream codecs(f.codecs);
    while (std::getline(codecs, o.codec, ' ') && !CanWriteClip(o, why))
        missing += (missing.empty() ? "" : "; ") + why;
    if (!CanWriteClip(o, why))
        GTEST_SKIP() << missing;
    CTempDir dir;
    std::string path = dir / f.file;
    ASSERT_TRUE(WriteClip(path, o));
    PLAnyVidDecoder dec;
    ASSERT_TRUE(dec.OpenFile2(path)) << dec.GetOpenError();
    EXPECT_EQ(dec.GetWidth(), f.width);
    EXPECT_EQ(dec.GetHeight(), f.height);
    EXPECT_EQ(dec.GetFrameCount(), 30);
    EXPECT_DOUBLE_EQ(dec.GetFrameRate(), 25.0);
    EXPECT_NEAR(dec.GetDuration(), 1.2, 1e-9);
    for (std::int64_t i : IndexOrder(dec.GetFrameCount(), 11))
        ASSERT_EQ(FrameNumber(dec, i), i) << "index " << i;
}

INSTANTIATE_TEST_SUITE_P(
    VideoDecoder, VideoDecoderFormat,
    ::testing::Values(SFormat{"Mp4H264", "c.mp4", "mp4", "libx264", 64, 48},
                      SFormat{"MovH264", "c.mov", "mov", "libx264", 64, 48},
                      SFormat{"Mp4H265", "c.mp4", "mp4", "libx265", 64, 48},
                      SFormat{"MovH265", "c.mov", "mov", "libx265", 64, 48},
                      SFormat{"AviH264", "c.avi", "avi", "libx264", 64, 48},
                      SFormat{"MkvH264", "c.mkv", "matroska", "libx264", 64, 48},
                      SFormat{"WebmVp8", "c.webm", "webm", "libvpx", 64, 48},
                      SFormat{"WebmVp9", "c.webm", "webm", "libvpx-vp9", 64, 48},
                      // SVT-AV1 needs 64 lines at least.
                      SFormat{"WebmAv1", "c.webm", "webm", "libaom-av1 librav1e libsvtav1", 64, 64},
                      SFormat{"ThreeGpH263", "c.3gp", "3gp", "h263", 128, 96},
                      SFormat{"MpgMpeg1", "c.mpg", "mpeg", "mpeg1video", 64, 48}),
    [](const ::testing::TestParamInfo<SFormat>& info) { return std::string(info.param.label); });

// A display matrix snaps to the nearest quarter turn; a negative determinant
// mirrors; a singular or empty one leaves the picture as stored.
TEST(VideoDecoderTurn, DisplayMatricesSnapToQuarterTurnsAndMirrors) {
    constexpr std::int32_t kOne = 1 << 16, kW = 1 << 30; // 16.16 and 2.30 fixed point
    struct SCase {
        std::int32_t m[9];
        int a, b, c, d;
    } cases[] = {
        {{kOne, 0, 0, 0, kOne, 0, 0, 0, kW}, 1, 0, 0, 1},        // none
        {{0, kOne, 0, -kOne, 0, 0, 0, 0, kW}, 0, 1, -1, 0},      // a phone held upright
        {{-2 * kOne, 0, 0, 0, -2 * kOne, 0, 0, 0, kW}, -1, 0, 0, -1}, // half turn, scaled
        {{-kOne, 0, 0, 0, kOne, 0, 0, 0, kW}, -1, 0, 0, 1},      // mirror only
        {{0, -kOne, 0, -kOne, 0, 0, 0, 0, kW}, 0, -1, -1, 0},    // turned and mirrored
        {{32768, 56756, 0, -56756, 32768, 0, 0, 0, kW}, 0, 1, -1, 0}, // 60°: nearer 90°
        {{0, 0, 0, 0, 0, 0, 0, 0, 0}, 1, 0, 0, 1},               // singular
    };
    for (const SCase& c : cases) {
        CFfVideo::STurn t = CFfVideo::TurnOf(c.m);
        EXPECT_EQ(t.a, c.a);
        EXPECT_EQ(t.b, c.b);
        EXPECT_EQ(t.c, c.c);
        EXPECT_EQ(t.d, c.d);
    }
}

// Phones store the picture sideways and tell players how to turn it: every
// turn and mirror comes out upright (the corner marker top left, the bars
// reading left to right) in both row orders and at half size, and the sizes,
// the probe, the aspect and the poster describe the upright picture.
TEST_F(VideoDecoder, PhoneClipsComeOutUpright) {
    CTempDir dir;
    for (int rotation : {0, 90, 180, 270})
        for (bool mirror : {false, true}) {
            SCOPED_TRACE(std::to_string(rotation) + (mirror ? " mirrored" : ""));
            std::string path = dir / ("r" + std::to_string(rotation) + (mirror ? "m" : "") + ".mp4");
            ASSERT_TRUE(WriteClip(path, {.width = 192, .height = 128, .frames = 12,
                                         .container = "mp4", .codec = "mpeg4", .aspectNum = 16,
                                         .aspectDen = 9, .rotation = rotation, .mirror = mirror,
                                         .marker = true}));
            int w = 0, h = 0;
            ASSERT_TRUE(CFfVideo::ProbeSize(path, w, h));
            EXPECT_EQ(w, 192);
            EXPECT_EQ(h, 128);
            PLQtVidDecoder topDown;
            PLDxVidDecoder bottomUp;
            PLMpgVidDecoder half;
            half.SetRequestedSize(96, 64);
            for (PLVidDecoder* dec : std::initializer_list<PLVidDecoder*>{&topDown, &bottomUp, &half}) {
                ASSERT_TRUE(dec->OpenFile2(path)) << dec->GetOpenError();
                int ew = dec == &half ? 96 : 192, eh = dec == &half ? 64 : 128;
                ASSERT_EQ(dec->GetWidth(), ew);
                ASSERT_EQ(dec->GetHeight(), eh);
                for (int i : {5, 2, 11}) {
                    int stride = 0;
                    const std::uint8_t* f = dec->GetFrame(i, stride);
                    ASSERT_TRUE(f);
                    EXPECT_EQ(stride, dec == &topDown ? 4 * ew : -4 * ew);
                    EXPECT_EQ(Number(f, stride, ew, eh), i);
                    EXPECT_TRUE(IsRed(PixelFromTop(f, stride, eh, ew / 8, eh / 8)));
                    EXPECT_FALSE(IsRed(PixelFromTop(f, stride, eh, ew - ew / 8, eh / 8)));
                    EXPECT_FALSE(IsRed(PixelFromTop(f, stride, eh, ew / 8, eh - eh / 8)));
                    EXPECT_FALSE(IsRed(PixelFromTop(f, stride, eh, ew - ew / 8, eh - eh / 8)));
                }
            }
            double aw = 0, ah = 0;
            ASSERT_TRUE(topDown.GetAspectRatio(aw, ah));
            EXPECT_DOUBLE_EQ(aw / ah, 16.0 / 9.0);
            PLAnyDecoder any;
            ASSERT_TRUE(any.OpenFile2(path));
            PLAnyBmp poster;
            any.DecodeTo(&poster, 32);
            ASSERT_EQ(poster.GetWidth(), 192);
            ASSERT_EQ(poster.GetHeight(), 128);
            EXPECT_TRUE(IsRed(PixelAt(poster, 24, 16)));
            EXPECT_FALSE(IsRed(PixelAt(poster, 168, 112)));
        }
}

// Phones write frames unevenly. Index i shows the latest frame whose time is
// at or before i / rate: a skipped index repeats the frame before, a frame
// replaced within one period is passed over, in any order of access; the
// count covers the clip. A stamp within a fraction of a period after an
// index's time may already show there (containers round their stamps).
TEST_F(VideoDecoder, UnevenFrameTimesKeepTheirTiming) {
    CTempDir dir;
    struct SCase {
        const char* file;
        const char* container;
        const char* codec;
    } cases[] = {{"vfr.mp4", "mp4", "mpeg4"},
                 {"vfr.mkv", "matroska", "mpeg4"},
                 {"vfr-b.mp4", "mp4", "libx264"}, // B-frames and an edit list
                 {"vfr.webm", "webm", "libvpx-vp9"}};
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.file);
        SClipOptions o{.frames = 42, .container = c.container, .codec = c.codec,
                       .variableRate = true};
        std::string why;
        if (!CanWriteClip(o, why)) {
            std::printf("skipped %s: %s\n", c.file, why.c_str());
            continue;
        }
        std::string path = dir / c.file;
        ASSERT_TRUE(WriteClip(path, o));
        PLAnyVidDecoder dec;
        ASSERT_TRUE(dec.OpenFile2(path)) << dec.GetOpenError();
        const double rate = dec.GetFrameRate();
        const std::int64_t n = dec.GetFrameCount();
        ASSERT_GT(rate, 0);
        // The frames that may show at index k: from the latest at or before
        // its time to the latest within a quarter period after it.
        auto latestBy = [&](double t) {
            int i = 0;
            while (i + 1 < o.frames && ClipFrameTime(o, i + 1) <= t + 1e-9)
                ++i;
            return i;
        };
        for (std::int64_t k : IndexOrder(n, 3)) {
            int shown = FrameNumber(dec, k);
            double t = double(k) / rate;
            ASSERT_GE(shown, latestBy(t)) << "index " << k;
            ASSERT_LE(shown, latestBy(t + 0.25 / rate)) << "index " << k;
        }
        // The count reaches the last frame and not far past the clip's end.
        EXPECT_EQ(FrameNumber(dec, n - 1), o.frames - 1);
        EXPECT_LE(double(n) / rate, ClipFrameTime(o, o.frames) + 0.1);
    }

    // At given times, where the rate is the clip's own 25: 0.08 s has no
    // frame of its own (frame 1 holds), 0.16 s passes over frame 3 (shown
    // from 0.14 s, replaced at 0.16 s), 1.36 s late in the clip holds again.
    PLQtVidDecoder mp4;
    ASSERT_TRUE(mp4.OpenFile2(dir / "vfr.mp4"));
    ASSERT_DOUBLE_EQ(mp4.GetFrameRate(), 25.0);
    struct STime {
        double seconds;
        int frame;
    } times[] = {{1.36, 33}, {0.08, 1}, {0.12, 2}, {0.16, 4}, {0.0, 0}, {0.24, 5}, {1.6, 40}};
    for (const STime& t : times) {
        int stride = 0;
        const std::uint8_t* f = mp4.GetFrameAtTime(t.seconds, stride);
        EXPECT_EQ(Number(f, stride, 64, 48), t.frame) << t.seconds << " s";
    }
}

// A clip that cannot be read says why in words a person understands, after
// the decoder's own text; OpenFile2 keeps that text for the warning.
TEST_F(VideoDecoder, ClipsThatCannotBeReadSayWhy) {
    CTempDir dir;
    using ::testing::HasSubstr;
    using ::testing::StartsWith;
    const SClipOptions mp4{.frames = 12, .container = "mp4", .codec = "mpeg4"};
    std::string good = dir / "good.mp4";
    ASSERT_TRUE(WriteClip(good, mp4));
    const std::string bytes = ReadBytes(good);
    PLQtVidDecoder qt;
    PLDxVidDecoder dx;

    // Sound only.
    if (SoundWriter::HasEncoder("aac")) {
        std::string song = dir / "song.mp4";
        ASSERT_TRUE(SoundWriter::Write(song, "aac", 44100, 2, SoundWriter::Sine(440, 0.5, 44100, 2)));
        EXPECT_EQ(ErrorText([&] { qt.OpenByName(song); }, PL_ERRFORMAT_NOT_SUPPORTED),
                  "QuickTime: NewMovieFromFile error: this MP4 file holds no video");
        EXPECT_EQ(ErrorText([&] { dx.OpenByName(song); }, PL_ERRINTERNAL),
                  "DShow Error: this MP4 file holds no video");
    }

    // The index at the end cut off: FFmpeg knows the format, not the file.
    std::string cut = dir.WriteFile("cut.mp4", bytes.substr(0, bytes.size() / 2));
    EXPECT_THAT(ErrorText([&] { qt.OpenByName(cut); }, PL_ERRFORMAT_NOT_SUPPORTED),
                StartsWith("QuickTime: NewMovieFromFile error: the file looks like an MP4 file "
                           "but is damaged ("));

    // Every picture's bytes wiped (the media data box precedes the index):
    // MPEG-4 Part 2 keeps its size in the pictures, H.264 in the header.
    struct SWiped {
        const char* codec;
        const char* reason;
    } wipes[] = {{"mpeg4", "its MPEG-4 Part 2 video gives no picture size"},
                 {"libx264", "no picture of its H.264 video can be decoded"}};
    for (const SWiped& w : wipes) {
        SClipOptions o{.frames = 12, .container = "mp4", .codec = w.codec};
        std::string why;
        if (!CanWriteClip(o, why))
            continue;
        std::string path = dir / "wiped.mp4";
        ASSERT_TRUE(WriteClip(path, o));
        std::string wiped = ReadBytes(path);
        std::size_t mdat = wiped.find("mdat");
        ASSERT_NE(mdat, std::string::npos);
        std::size_t size = std::size_t(std::uint8_t(wiped[mdat - 4])) << 24 |
                           std::size_t(std::uint8_t(wiped[mdat - 3])) << 16 |
                           std::size_t(std::uint8_t(wiped[mdat - 2])) << 8 |
                           std::size_t(std::uint8_t(wiped[mdat - 1]));
        std::fill_n(wiped.begin() + std::ptrdiff_t(mdat + 4), size - 8, '\0');
        std::string text = ErrorText([&] { dx.OpenByName(dir.WriteFile("wiped.mp4", wiped)); },
                                     PL_ERRINTERNAL);
        EXPECT_THAT(text, StartsWith("DShow Error: the file is damaged: "));
        EXPECT_THAT(text, HasSubstr(w.reason));
    }

    // A codec name no decoder knows, in a Matroska file.
    std::string mkv = dir / "odd.mkv";
    ASSERT_TRUE(WriteClip(mkv, {.frames = 12, .container = "matroska", .codec = "mpeg4"}));
    std::string odd = ReadBytes(mkv);
    std::size_t id = odd.find("V_MPEG4/ISO/ASP");
    ASSERT_NE(id, std::string::npos);
    odd.replace(id, 15, "V_KELVCLIP/TEST");
    PLAnyVidDecoder any;
    EXPECT_FALSE(any.OpenFile2(dir.WriteFile("odd.mkv", odd)));
    EXPECT_EQ(any.GetOpenError(),
              "DShow Error: this is a Matroska file whose video codec this build does not know");
    EXPECT_TRUE(any.OpenFile2(good));
    EXPECT_EQ(any.GetOpenError(), "");
}
