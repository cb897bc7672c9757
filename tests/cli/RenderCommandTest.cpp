// kelvclip-cli render end to end: the demo template as a PAL DVD stream,
// read back with FFmpeg's libraries; cancelling with Ctrl-C; bad arguments.
#include "tests/support/MediaMaker.h"
#include "tests/support/RunCommand.h"
#include "tests/support/TempDir.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <gtest/gtest.h>

#include <map>
#include <nlohmann/json.hpp>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

struct SStreams {
    bool opened = false;
    std::string format;
    int width = 0, height = 0;
    double frameRate = 0;
    std::string videoCodec, audioCodec;
    int sampleRate = 0, channels = 0;
    long videoFrames = 0;
    double audioSeconds = 0;
};

SStreams Probe(const std::string& path) {
    SStreams s;
    AVFormatContext* fmt = nullptr;
    if (avformat_open_input(&fmt, path.c_str(), nullptr, nullptr) < 0)
        return s;
    if (avformat_find_stream_info(fmt, nullptr) < 0) {
        avformat_close_input(&fmt);
        return s;
    }
    s.opened = true;
    s.format = fmt->iformat->name;
    int video = -1, audio = -1;
    for (unsigned i = 0; i < fmt->nb_streams; ++i) {
        const AVCodecParameters* par = fmt->streams[i]->codecpar;
        if (par->codec_type == AVMEDIA_TYPE_VIDEO && video < 0) {
            video = int(i);
            s.width = par->width;
            s.height = par->height;
            s.frameRate = av_q2d(fmt->streams[i]->r_frame_rate);
            s.videoCodec = avcodec_get_name(par->codec_id);
        } else if (par->codec_type == AVMEDIA_TYPE_AUDIO && audio < 0) {
            audio = int(i);
            s.audioCodec = avcodec_get_name(par->codec_id);
            s.sampleRate = par->sample_rate;
            s.channels = par->ch_layout.nb_channels;
        }
    }
    AVPacket* packet = av_packet_alloc();
    while (av_read_frame(fmt, packet) >= 0) {
        if (packet->stream_index == video)
            ++s.videoFrames;
        else if (packet->stream_index == audio)
            s.audioSeconds += packet->duration * av_q2d(fmt->streams[audio]->time_base);
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    avformat_close_input(&fmt);
    return s;
}

// The bytes written so far to a render's temporary file in a folder.
std::uintmax_t WrittenBeside(const CTempDir& dir) {
    std::uintmax_t size = 0;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path(), ec))
        if (entry.path().filename().string().find(".part-") != std::string::npos)
            size = std::max(size, entry.file_size(ec));
    return size;
}

int RunCli(const std::string& args, std::string* output = nullptr) {
    return RunCommand(std::string(KV_CLI) + " " + args + " 2>&1", output);
}

// The demo as a PAL DVD stream: MPEG-2 720 x 576, 60.5 s at 25 frames per
// second, stereo MPEG audio at 48 kHz.
void ExpectPalDvdDemo(const SStreams& s) {
    ASSERT_TRUE(s.opened);
    EXPECT_EQ(s.videoCodec, "mpeg2video");
    EXPECT_EQ(s.width, 720);
    EXPECT_EQ(s.height, 576);
    EXPECT_DOUBLE_EQ(s.frameRate, 25.0);
    EXPECT_EQ(s.videoFrames, 1513);
    EXPECT_EQ(s.audioCodec, "mp2");
    EXPECT_EQ(s.sampleRate, 48000);
}

// a.png: 320 x 240, blue growing across, green down.
void WriteGradient(CTempDir& dir) {
    dir.WriteFile("a.png", PngBytes(STestImage(320, 240,
                                               [](int x, int y) {
                                                   return std::array<std::uint8_t, 4>{
                                                       std::uint8_t(x), std::uint8_t(y), 90, 255};
                                               }),
                                    false));
}

// dvdauthor makes a title set of the stream, as authoring a disc does: it
// reads every pack and picture group and rejects streams a player would not
// take.
void ExpectDvdauthorTakes(const std::string& stream, const CTempDir& dir) {
    std::string text;
    const std::string disc = dir / "disc";
    ASSERT_EQ(RunCommand("VIDEO_FORMAT=PAL dvdauthor -o " + disc + " -t " + stream + " 2>&1", &text), 0)
        << text;
    ASSERT_EQ(RunCommand("VIDEO_FORMAT=PAL dvdauthor -o " + disc + " -T 2>&1", &text), 0) << text;
    EXPECT_GT(std::filesystem::file_size(disc + "/VIDEO_TS/VTS_01_1.VOB"), 100000u);
    EXPECT_EQ(text.find("ERR"), std::string::npos) << text;
}

} // namespace

TEST(RenderCommand, TheDemoBecomesAPalDvdStream) {
    CTempDir dir;
    std::string out = dir / "demo.mpg", text;
    ASSERT_EQ(RunCli(std::string("render ") + KV_DEMO + " -o " + out + " --disc dvd --standard pal", &text), 0)
        << text;
    SStreams s = Probe(out);
    ASSERT_NO_FATAL_FAILURE(ExpectPalDvdDemo(s));
    EXPECT_EQ(s.channels, 2);
    EXPECT_NEAR(s.audioSeconds, 60.52, 0.05);
    ExpectDvdauthorTakes(out, dir);
}

// The fast level with threads chosen: a stream of the same shape that
// dvdauthor takes too.
TEST(RenderCommand, TheFastLevelMakesAnAuthorableDvd) {
    CTempDir dir;
    WriteGradient(dir);
    dir.WriteFile("album.json", R"({"format": "kelvclip-album", "version": 1, "name": "A",
        "slides": [{"displayTime": 2, "items": [{"kind": "image", "file": "a.png",
                    "keyFrames": [{"time": 0, "x": 0, "y": 0, "scale": 1.0},
                                  {"time": 1, "x": 0, "y": 0, "scale": 1.2}]}]}]})");
    std::string text;
    ASSERT_EQ(RunCli("pack " + (dir / "album.json") + " -o " + (dir / "t.vez"), &text), 0) << text;
    const std::string out = dir / "fast.mpg";
    ASSERT_EQ(RunCli("render " + (dir / "t.vez") + " -o " + out + " --standard pal --fast --threads 3", &text), 0)
        << text;
    SStreams s = Probe(out);
    ASSERT_TRUE(s.opened);
    EXPECT_EQ(s.videoCodec, "mpeg2video");
    EXPECT_EQ(s.width, 720);
    EXPECT_EQ(s.height, 576);
    ASSERT_EQ(RunCli("info --json " + (dir / "t.vez"), &text), 0);
    EXPECT_NEAR(double(s.videoFrames), nlohmann::json::parse(text)["duration"].get<double>() * 25, 1.0);
    ExpectDvdauthorTakes(out, dir);
}

TEST(RenderCommand, CtrlCCancelsAndLeavesAFilePlayersOpen) {
    CTempDir dir;
    std::string out = dir / "cut.mpg";
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        execl(KV_CLI, KV_CLI, "render", KV_DEMO, "-o", out.c_str(), "--disc", "vcd", nullptr);
        _exit(127);
    }
    // Once something has been written (under a temporary name beside the
    // output), interrupt as a terminal would.
    for (int i = 0; i < 600 && WrittenBeside(dir) < 200000; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(std::filesystem::exists(out)) << "the output appears only when it is whole";
    kill(pid, SIGINT);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    SStreams s = Probe(out);
    ASSERT_TRUE(s.opened);
    EXPECT_GT(s.videoFrames, 0);
    EXPECT_LT(s.videoFrames, 1413);
}

TEST(RenderCommand, BadOutputsAndArgumentsAreRefusedClearly) {
    CTempDir dir;
    std::string text;
    EXPECT_EQ(RunCli(std::string("render ") + KV_DEMO + " -o " + dir / "no/such/dir/x.mpg", &text), 2);
    EXPECT_NE(text.find("no/such/dir/x.mpg"), std::string::npos) << text;
    EXPECT_EQ(RunCli(std::string("render ") + KV_DEMO + " -o /dev/full --disc vcd", &text), 2) << text;
    EXPECT_EQ(RunCli(std::string("render ") + KV_DEMO + " -o " + dir / "x.mpg" + " --disc bluray", &text), 64);
    EXPECT_NE(text.find("--disc wants dvd, svcd, vcd or custom"), std::string::npos) << text;
    EXPECT_EQ(RunCli(std::string("render ") + KV_DEMO + " -o " + dir / "x.mpg" + " --size 640x480"), 64);
    EXPECT_EQ(RunCli(std::string("render ") + KV_DEMO + " -o " + dir / "x.avi" + " --vcodec nosuchcodec", &text), 64)
        << text;
    // The sizes and rates of MP4 files, each bad one named.
    for (const auto& [options, named] :
         std::vector<std::pair<std::string, std::string>>{{"--preset 8k", "--preset"},
                                                          {"--fps 31", "--fps"},
                                                          {"--fps fast", "--fps"},
                                                          {"--size 321x240", "--size 321x240"},
                                                          {"--size 4096x2160", "--size"},
                                                          {"--preset 720p --size 640x360", "--preset"}}) {
        EXPECT_EQ(RunCli(std::string("render ") + KV_DEMO + " -o " + dir / "x.mp4 " + options, &text), 64)
            << options;
        EXPECT_EQ(text.rfind("kelvclip-cli: " + named, 0), 0u) << text;
        // The choices come from the format table.
        if (named == "--fps") {
            EXPECT_NE(text.find("24, 25, 30, 50, 60, 23.976, 29.97 or 59.94\n"), std::string::npos);
        }
        if (options == "--preset 8k") {
            EXPECT_NE(text.find("wants 720p, 1080p, 4k, vertical or square"), std::string::npos);
        }
    }
    EXPECT_EQ(RunCli(std::string("render ") + KV_DEMO + " -o " + dir / "x.mpg --fps 30", &text), 64);
    EXPECT_NE(text.find("--fps goes with an MP4"), std::string::npos) << text;
    // Quality levels and threads, each bad one named.
    for (const auto& [options, named] : std::vector<std::pair<std::string, std::string>>{
             {"x.mpg --quality 32", "--quality wants a level from 0 (fastest) to 31"},
             {"x.mpg --quality -1", "--quality wants"},
             {"x.mpg --quality 9x", "--quality wants"},
             {"x.mpg --fast --quality 20", "--fast and --quality"},
             {"x.mp4 --quality 20", "--quality goes with an MPEG stream"},
             {"x.avi --fast", "--fast goes with an MPEG stream"},
             {"x.mpg --threads 0", "--threads wants a count from 1 to 64"},
             {"x.mpg --threads 65", "--threads wants"},
             {"x.mpg --threads two", "--threads wants"}}) {
        EXPECT_EQ(RunCli(std::string("render ") + KV_DEMO + " -o " + dir / options, &text), 64) << options;
        EXPECT_EQ(text.rfind("kelvclip-cli: " + named, 0), 0u) << text;
    }
}

// An MP4 file at the size and rate asked: H.264 and AAC, every picture, the
// album filling the frame in square pixels.
TEST(RenderCommand, AnMp4FileAtTheSizeAndRateAsked) {
    CTempDir dir;
    dir.WriteFile("a.png", PngBytes(STestImage(320, 240,
                                               [](int, int) {
                                                   return std::array<std::uint8_t, 4>{40, 160, 90, 255};
                                               }),
                                    false));
    dir.WriteFile("album.json", R"({"format": "kelvclip-album", "version": 1, "name": "A",
        "slides": [{"displayTime": 1, "items": [{"kind": "image", "file": "a.png"}]}]})");
    std::string text;
    ASSERT_EQ(RunCli("pack " + (dir / "album.json") + " -o " + (dir / "t.vez"), &text), 0) << text;
    ASSERT_EQ(RunCli("render " + (dir / "t.vez") + " -o " + (dir / "t.MP4") + " --size 320x568 --fps 23.976",
                     &text),
              0)
        << text;
    SStreams s = Probe(dir / "t.MP4");
    ASSERT_TRUE(s.opened);
    EXPECT_EQ(s.videoCodec, "h264");
    EXPECT_EQ(s.width, 320);
    EXPECT_EQ(s.height, 568);
    EXPECT_NEAR(s.frameRate, 24000.0 / 1001, 1e-3);
    // The album is as long at any rate: its seconds times the rate.
    ASSERT_EQ(RunCli("info --json " + (dir / "t.vez"), &text), 0);
    const nlohmann::json info = nlohmann::json::parse(text);
    const double seconds = info["duration"].get<double>();
    EXPECT_NEAR(double(s.videoFrames), seconds * 24000 / 1001, 1.0);
    // The formats it can be rendered to, as --disc and --preset name them.
    std::map<std::string, nlohmann::json> formats;
    for (const auto& format : info["outputFormats"])
        formats[format["name"].get<std::string>()] = format;
    ASSERT_EQ(formats.size(), 9u);
    EXPECT_EQ(formats["dvd"]["size"]["ntsc"], nlohmann::json({720, 480}));
    EXPECT_EQ(formats["vcd"]["videoCodec"], "mpeg1video");
    EXPECT_EQ(formats["vertical"]["size"], nlohmann::json({1080, 1920}));
    EXPECT_EQ(formats["1080p"]["audioRate"], 48000);
    EXPECT_EQ(formats["custom"].count("size"), 0u);
    EXPECT_EQ(formats["4k"]["frameRates"].size(), 8u);
}

// Two renders to one output, the second started while the first writes: both
// succeed and the output is the whole file of the one that ended last, never
// a mix of the two.
TEST(RenderCommand, TwoRendersToOneOutputLeaveOneWholeFile) {
    CTempDir dir;
    WriteGradient(dir);
    dir.WriteFile("album.json", R"({"format": "kelvclip-album", "version": 1, "name": "A",
        "slides": [{"displayTime": 3, "items": [{"kind": "image", "file": "a.png"}]}]})");
    std::string text;
    ASSERT_EQ(RunCli("pack " + (dir / "album.json") + " -o " + (dir / "t.vez"), &text), 0) << text;
    const std::string out = dir / "out.mpg";
    const std::string render = std::string(KV_CLI) + " render " + (dir / "t.vez") + " -o " + out;
    const std::string alone = std::string(KV_CLI) + " render " + (dir / "t.vez") + " -o " + (dir / "alone.mpg");
    ASSERT_EQ(RunCommand("(" + render + " --disc dvd --standard pal > /dev/null 2>&1; echo dvd $? >> " +
                             (dir / "status") + ") & sleep 0.3; " + render +
                             " --disc vcd --standard pal > /dev/null 2>&1; echo vcd $? >> " +
                             (dir / "status") + "; wait",
                         &text),
              0)
        << text;
    const std::string status = ReadWholeFile(dir / "status");
    EXPECT_NE(status.find("dvd 0"), std::string::npos) << status;
    EXPECT_NE(status.find("vcd 0"), std::string::npos) << status;
    // The one that ended last, whole: DVD pictures in an MPEG-2 stream, or
    // VCD pictures in an MPEG-1 stream, as many as that render makes alone,
    // and nothing the decoder stumbles on.
    const bool dvd = status.rfind("dvd") > status.rfind("vcd");
    ASSERT_EQ(RunCommand(alone + (dvd ? " --disc dvd" : " --disc vcd") + " --standard pal 2>&1"), 0);
    SStreams s = Probe(out);
    ASSERT_TRUE(s.opened);
    EXPECT_EQ(s.videoFrames, Probe(dir / "alone.mpg").videoFrames);
    EXPECT_EQ(s.videoCodec, dvd ? "mpeg2video" : "mpeg1video") << status;
    EXPECT_EQ(s.width, dvd ? 720 : 352) << status;
    EXPECT_EQ(RunCommand("ffmpeg -nostdin -v error -i " + out + " -f null - 2>&1", &text), 0);
    EXPECT_EQ(text, "");
}

// The "Encoder" and "TMpgEnc" settings hand the encode to the example
// external encoder, as the wizard's engine choice does: the same frames and
// sound as the built-in engine's, through kelvclip-frameclient and FFmpeg.
TEST(RenderCommand, TheEncoderSettingHandsTheDvdToTheExternalEncoder) {
    CTempDir dir;
    const std::string settings = dir.WriteFile(
        "kelvclip.ini", std::string("[Settings]\nEncoder=1\nTMpgEnc=") + KV_EXAMPLE_ENCODER + "\n");
    const std::string out = dir / "external.mpg";
    std::string text;
    ASSERT_EQ(RunCommand("KELVCLIP_CONFIG=" + settings + " " + KV_CLI + " render " + KV_DEMO +
                             " -o " + out + " --disc dvd --standard pal 2>&1",
                         &text),
              0)
        << text;
    SStreams s = Probe(out);
    ASSERT_NO_FATAL_FAILURE(ExpectPalDvdDemo(s));
    // 1513 frames of 1920 samples, in whole Layer II frames of 1152.
    EXPECT_NEAR(s.audioSeconds, 2522 * 1152 / 48000.0, 1e-6);
    std::error_code error;
    int left = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path(), error))
        left += entry.path().filename() != "kelvclip.ini" && entry.path() != out;
    EXPECT_EQ(left, 0) << "no placeholder, job file or video-only stream left";

    // A program that is not there: the built-in engine, as before.
    const std::string missing = dir.WriteFile("missing.ini", "[Settings]\nEncoder=1\nTMpgEnc=" + dir / "none" + "\n");
    ASSERT_EQ(RunCommand("KELVCLIP_CONFIG=" + missing + " " + KV_CLI + " render " + KV_DEMO + " -o " +
                             dir / "builtin.mpg" + " --disc vcd 2>&1",
                         &text),
              0)
        << text;
}
