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

// Blue, green, red of the centre pixel of a video's first frame; all -1 when
// the file cannot be decoded.
std::array<int, 3> CentreOfFirstFrame(const std::string& path) {
    std::array<int, 3> bgr{-1, -1, -1};
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0)
        return bgr;
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
                decoded = avcodec_receive_frame(context, frame) >= 0;
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
            const std::uint8_t* centre =
                pixels.data() + (std::size_t(frame->height / 2) * frame->width + frame->width / 2) * 3;
            bgr = {centre[0], centre[1], centre[2]};
        }
        sws_freeContext(scale);
    }
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&context);
    avformat_close_input(&format);
    return bgr;
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
