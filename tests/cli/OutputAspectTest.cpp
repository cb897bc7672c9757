// The command line decides the output aspect once, and every part follows it:
// with a 4:3 and a 16:9 overlay picture set, a wide render carries the 16:9
// one whatever the setting "AspRatio" says, and the setting decides only when
// the command line does not.
#include "media/AnyPicDecoder.h"
#include "tests/media/MediaTestUtil.h"
#include "tests/support/MediaMaker.h"
#include "tests/support/RunCommand.h"
#include "tests/support/TempDir.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace {

STestImage Flat(int w, int h, std::uint8_t b, std::uint8_t g, std::uint8_t r) {
    return STestImage(w, h, [=](int, int) -> std::array<std::uint8_t, 4> { return {b, g, r, 255}; });
}

// A video's first frame as blue, green, red rows, with the sample aspect the
// file declares (0:1 when it declares none); width 0 when it cannot be
// decoded.
struct SFirstFrame {
    int width = 0, height = 0;
    AVRational sar{0, 1};
    std::vector<std::uint8_t> bgr;

    [[nodiscard]] std::array<int, 3> At(int x, int y) const {
        const std::uint8_t* p = bgr.data() + (std::size_t(y) * width + x) * 3;
        return {p[0], p[1], p[2]};
    }
};

SFirstFrame FirstFrame(const std::string& path, int index = 0) {
    SFirstFrame result;
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0)
        return result;
    avformat_find_stream_info(format, nullptr);
    const AVCodec* codec = nullptr;
    int stream = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    AVCodecContext* context = stream >= 0 ? avcodec_alloc_context3(codec) : nullptr;
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    bool decoded = false;
    if (context && avcodec_parameters_to_context(context, format->streams[stream]->codecpar) >= 0 &&
        avcodec_open2(context, codec, nullptr) >= 0) {
        while (!decoded && av_read_frame(format, packet) >= 0) {
            if (packet->stream_index == stream && avcodec_send_packet(context, packet) >= 0)
                while (!decoded && avcodec_receive_frame(context, frame) >= 0)
                    decoded = index-- == 0;
            av_packet_unref(packet);
        }
    }
    if (decoded) {
        SwsContext* scale = sws_getContext(frame->width, frame->height, AVPixelFormat(frame->format),
                                           frame->width, frame->height, AV_PIX_FMT_BGR24, SWS_POINT,
                                           nullptr, nullptr, nullptr);
        std::vector<std::uint8_t> pixels(std::size_t(frame->width) * frame->height * 3);
        std::uint8_t* rows[1] = {pixels.data()};
        const int strides[1] = {frame->width * 3};
        if (scale && sws_scale(scale, frame->data, frame->linesize, 0, frame->height, rows, strides) > 0) {
            result.width = frame->width;
            result.height = frame->height;
            result.bgr = std::move(pixels);
            result.sar = av_guess_sample_aspect_ratio(format, format->streams[stream], frame);
        }
        sws_freeContext(scale);
    }
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&context);
    avformat_close_input(&format);
    return result;
}

// Blue, green, red of the centre pixel of a video's first frame; all -1 when
// the file cannot be decoded.
std::array<int, 3> CentreOfFirstFrame(const std::string& path) {
    const SFirstFrame frame = FirstFrame(path);
    if (frame.width == 0)
        return {-1, -1, -1};
    return frame.At(frame.width / 2, frame.height / 2);
}

// How many pixels of the middle row are the album's grey (not bar black).
int GreyColumns(const SFirstFrame& frame) {
    int count = 0;
    for (int x = 0; x < frame.width; ++x)
        count += frame.At(x, frame.height / 2)[1] > 64;
    return count;
}

class OutputAspect : public testing::Test {
protected:
    void SetUp() override {
        std::string picture = m_dir.WriteFile("grey.png", PngBytes(Flat(64, 48, 128, 128, 128), false));
        std::string album = m_dir.WriteFile(
            "album.json", R"({"format": "kelvclip-album", "version": 1, "name": "A", "slides": [
                {"displayTime": 1, "items": [{"kind": "image", "file": ")" +
                              picture + R"("}]}]})");
        std::string output;
        ASSERT_EQ(Cli("pack " + album + " -o " + (m_dir / "t.vez"), &output), 0) << output;
        // Red for 4:3, green for 16:9, both centred.
        m_dir.WriteFile("std.png", PngBytes(Flat(200, 200, 0, 0, 255), false));
        m_dir.WriteFile("wide.png", PngBytes(Flat(200, 200, 0, 255, 0), false));
    }

    void WriteSettings(int aspRatio) {
        m_dir.WriteFile("kelvclip.ini", "[Settings]\nWmStd=" + (m_dir / "std.png") +
                                            "\nWmWide=" + (m_dir / "wide.png") +
                                            "\nAspRatio=" + std::to_string(aspRatio) + "\n");
    }

    int Cli(const std::string& args, std::string* output = nullptr) {
        return RunCommand("KELVCLIP_CONFIG=" + (m_dir / "kelvclip.ini") + " " KV_CLI " " + args + " 2>&1",
                          output);
    }

    // The overlay colour at the centre of a render's first frame.
    std::array<int, 3> Render(const std::string& options) {
        std::string path = m_dir / "out.avi", output;
        EXPECT_EQ(Cli("render " + (m_dir / "t.vez") + " --disc custom --size 320x240 --vcodec ffv1 " +
                      options + " -o " + path, &output),
                  0)
            << output;
        return CentreOfFirstFrame(path);
    }

    CTempDir m_dir;
};

bool IsRed(const std::array<int, 3>& bgr) { return bgr[2] > 200 && bgr[1] < 60 && bgr[0] < 60; }
bool IsGreen(const std::array<int, 3>& bgr) { return bgr[1] > 200 && bgr[2] < 60 && bgr[0] < 60; }

} // namespace

TEST_F(OutputAspect, TheCommandLineChoosesTheOverlayOverTheSetting) {
    WriteSettings(0);
    std::array<int, 3> wide = Render("--wide");
    EXPECT_TRUE(IsGreen(wide)) << wide[0] << " " << wide[1] << " " << wide[2];
    std::array<int, 3> standard = Render("");
    EXPECT_TRUE(IsRed(standard)) << standard[0] << " " << standard[1] << " " << standard[2];

    // Without --wide the setting decides, for the output format and the
    // overlay alike.
    WriteSettings(1);
    std::array<int, 3> fromSetting = Render("");
    EXPECT_TRUE(IsGreen(fromSetting)) << fromSetting[0] << " " << fromSetting[1] << " "
                                      << fromSetting[2];
}

TEST_F(OutputAspect, FramesFollowTheSameChoice) {
    WriteSettings(0);
    std::string output;
    ASSERT_EQ(Cli("frame " + (m_dir / "t.vez") + " --frame 10 --size 320x180 --wide -o " +
                      (m_dir / "wide.png.out.png"), &output),
              0)
        << output;
    ASSERT_EQ(Cli("frame " + (m_dir / "t.vez") + " --frame 10 --size 320x240 -o " +
                      (m_dir / "std.png.out.png"), &output),
              0)
        << output;
    PLAnyPicDecoder decoder;
    PLAnyBmp wide, standard;
    decoder.DecodeFile(m_dir / "wide.png.out.png", &wide, 32);
    decoder.DecodeFile(m_dir / "std.png.out.png", &standard, 32);
    EXPECT_TRUE(Near(PixelAt(wide, 160, 90), 0, 255, 0, 8));
    EXPECT_TRUE(Near(PixelAt(standard, 160, 120), 0, 0, 255, 8));
}

// A size for screens asked by --preset is drawn as its MP4 shows it, the
// album filling the frame: a 16:9 picture spans the whole 1080p frame, where
// the same size by --size holds the 4:3 album (1440 columns) with bars.
TEST_F(OutputAspect, APresetFrameIsDrawnAsItsMp4ShowsIt) {
    m_dir.WriteFile("kelvclip.ini", "[Settings]\nAspRatio=0\n"); // no overlay
    m_dir.WriteFile("wide.png", PngBytes(Flat(64, 36, 128, 128, 128), false));
    const std::string album = m_dir.WriteFile(
        "wide.json", R"({"format": "kelvclip-album", "version": 1, "name": "A", "slides": [
            {"displayTime": 3, "items": [{"kind": "image", "file": "wide.png"}]}]})");
    std::string output;
    ASSERT_EQ(Cli("pack " + album + " -o " + (m_dir / "wide.vez"), &output), 0) << output;
    auto greyColumns = [&](const std::string& sizeOption) {
        EXPECT_EQ(Cli("frame " + (m_dir / "wide.vez") + " --at 2 " + sizeOption + " -o " +
                          (m_dir / "f.png"), &output),
                  0)
            << output;
        PLAnyPicDecoder decoder;
        PLAnyBmp frame;
        decoder.DecodeFile(m_dir / "f.png", &frame, 32);
        EXPECT_EQ(frame.GetWidth(), 1920);
        int grey = 0;
        for (int x = 0; x < 1920; ++x)
            grey += PixelAt(frame, x, 540)[1] > 64;
        return grey;
    };
    EXPECT_EQ(greyColumns("--preset 1080p"), 1920);
    EXPECT_EQ(greyColumns("--size 1920x1080"), 1440);
    EXPECT_EQ(Cli("frame " + (m_dir / "wide.vez") + " --at 2 --preset 8k -o " + (m_dir / "g.png"),
                  &output),
              64);
    EXPECT_NE(output.find("--preset wants 720p, 1080p, 4k, vertical or square"), std::string::npos)
        << output;
}

// A custom size keeps the album's proportions: the 4:3 album (a grey picture
// filling it) is 480 x 360 inside a 640 x 360 frame of square pixels, with
// black bars, in a still, an AVI and an MPEG stream; an AVI of a disc's size
// declares that disc's pixel shape.
TEST_F(OutputAspect, CustomSizesKeepTheAlbumsProportionsAndFilesTheirPixelShape) {
    m_dir.WriteFile("kelvclip.ini", "[Settings]\nAspRatio=0\n"); // no overlay
    // Three seconds of grey between the fades.
    const std::string album = m_dir.WriteFile(
        "long.json", R"({"format": "kelvclip-album", "version": 1, "name": "A", "slides": [
            {"displayTime": 3, "items": [{"kind": "image", "file": "grey.png"}]}]})");
    std::string output;
    ASSERT_EQ(Cli("pack " + album + " -o " + (m_dir / "long.vez"), &output), 0) << output;
    ASSERT_EQ(Cli("frame " + (m_dir / "long.vez") + " --at 2 --size 640x360 -o " +
                      (m_dir / "still.png"), &output),
              0)
        << output;
    PLAnyPicDecoder decoder;
    PLAnyBmp still;
    decoder.DecodeFile(m_dir / "still.png", &still, 32);
    int grey = 0;
    for (int x = 0; x < 640; ++x)
        grey += PixelAt(still, x, 180)[1] > 64;
    EXPECT_EQ(grey, 480);
    EXPECT_TRUE(Near(PixelAt(still, 40, 180), 0, 0, 0, 4));
    EXPECT_TRUE(Near(PixelAt(still, 320, 180), 128, 128, 128, 8));

    for (const char* name : {"custom.avi", "custom.mpg"}) {
        const std::string path = m_dir / name;
        ASSERT_EQ(Cli("render " + (m_dir / "long.vez") + " --disc custom --size 640x360 -o " + path,
                      &output),
                  0)
            << output;
        const SFirstFrame frame = FirstFrame(path, 50);
        ASSERT_EQ(frame.width, 640) << name;
        EXPECT_NEAR(GreyColumns(frame), 480, 4) << name;
        EXPECT_EQ(av_cmp_q(frame.sar, AVRational{1, 1}), 0)
            << name << " " << frame.sar.num << ":" << frame.sar.den;
    }

    // 720 x 576 pictures of a 4:3 PAL DVD: pixels of 16:15, display 4:3.
    const std::string dvd = m_dir / "dvd.avi";
    ASSERT_EQ(Cli("render " + (m_dir / "long.vez") + " --disc dvd --standard pal -o " + dvd, &output),
              0)
        << output;
    const SFirstFrame frame = FirstFrame(dvd, 50);
    ASSERT_EQ(frame.width, 720);
    EXPECT_EQ(av_cmp_q(frame.sar, AVRational{16, 15}), 0) << frame.sar.num << ":" << frame.sar.den;
    EXPECT_EQ(GreyColumns(frame), 720);
}
