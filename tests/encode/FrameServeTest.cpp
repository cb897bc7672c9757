// The frame server against client processes: the facts, frames and sound it
// serves, and every way a client can go wrong (a second client, another
// protocol version, lying lengths, a client that dies mid-request or holding
// the mutex) without the serving hanging or ending.
#include "encode/FrameServe.h"
#include "tests/encode/EncodeTestKit.h"
#include "tests/support/RunCommand.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>

namespace {

// Counts reports; says stop once told to, or from a percentage on.
class CSink final : public IProgress {
public:
    bool OnProgress(int percent) override {
        last = percent;
        ++reports;
        return !stop && percent < stopAt;
    }
    std::atomic<int> reports{0};
    std::atomic<int> last{-1};
    std::atomic<bool> stop{false};
    std::atomic<int> stopAt{101};
};

// A server over test sources with its placeholder in a private folder.
struct SServing {
    SServing(unsigned frames, double fps, double seconds, int width = 64, int height = 48)
        : video(width, height, frames, fps), audio(seconds) {
        EXPECT_TRUE(server.Begin("album.atv", &video, seconds > 0 ? &audio : nullptr, &sink))
            << server.ErrorText();
        std::ofstream(placeholder) << server.ChannelName() << "\n";
    }
    // Runs the test client; its output in text.
    int Client(const std::string& args, std::string* text = nullptr) const {
        return RunCommand(std::string(KV_FRAME_TEST_CLIENT) + " " + args, text);
    }
    std::string Run(const std::string& mode, const std::string& arg = "") const {
        std::string text;
        Client(mode + " " + placeholder + " " + arg, &text);
        return text;
    }

    CTempDir dir;
    std::string placeholder = dir / "album.atv";
    CTestVideoSrc video;
    CToneSrc audio;
    CSink sink;
    CFrameServe server;
};

bool Has(const std::string& text, const std::string& line) {
    return text.find(line) != std::string::npos;
}

} // namespace

TEST(FrameServe, ServesFactsFramesAndSoundToAClientProcess) {
    SServing s(30, 25.0, 1.0);
    std::string info = s.Run("info");
    EXPECT_TRUE(Has(info, "frames=30\nrate=25/1\nsize=64x48\nbits=24\n")) << info;
    EXPECT_TRUE(Has(info, "audio=44100 44100 2 16 4\n")) << info;

    // Bottom row first: blue with the green bar at its frame's column; the
    // top row red. The bar moves four pixels a frame.
    std::string frames = s.Run("frames", "5");
    EXPECT_TRUE(Has(frames, "frame 0: bottom=255,255,0 top=0,0,255 bar=0\n")) << frames;
    EXPECT_TRUE(Has(frames, "frame 1: bottom=255,0,0 top=0,0,255 bar=4\n")) << frames;
    EXPECT_TRUE(Has(frames, "frame 4: bottom=255,0,0 top=0,0,255 bar=16\n")) << frames;
    EXPECT_EQ(s.server.FramesServed(), 5);
    EXPECT_EQ(s.sink.last, 4 * 100 / 30) << "progress after the last frame served";

    // The sound in requests larger than one reply holds: each is cut to the
    // data area, and the total is the whole track.
    std::string sound = s.Run("audio", "1000000");
    EXPECT_TRUE(Has(sound, "samples=44100\n")) << sound;
    EXPECT_TRUE(Has(sound, "status=0")) << sound;
}

TEST(FrameServe, NtscRateFramesBeyondTheEndAndUnknownRequests) {
    SServing s(10, 29.97, 0);
    std::string info = s.Run("info");
    EXPECT_TRUE(Has(info, "rate=30000/1001\n")) << info;
    EXPECT_TRUE(Has(info, "audio=0 44100 2 16 4\n")) << info << "no sound: the defaults";

    std::string beyond = s.Run("beyond");
    EXPECT_TRUE(Has(beyond, "beyond=1\n")) << beyond;   // no data
    EXPECT_TRUE(Has(beyond, "small=-10\n")) << beyond;  // the buffer cannot hold it
    EXPECT_TRUE(Has(s.Run("unknown"), "reply=1\n")) << "an unknown request is answered, with nothing";
    EXPECT_TRUE(Has(s.Run("audio", "4096"), "samples=0\n"));
}

TEST(FrameServe, ASecondClientIsTurnedAwayAndTheNextOneServed) {
    SServing s(10, 25.0, 0);
    std::string first;
    std::thread holder([&] { first = s.Run("hold", "1500"); });
    // Once the first client is in, a second one is busy.
    for (int i = 0; i < 100 && !s.server.HadClient(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::string second = s.Run("info");
    holder.join();
    EXPECT_TRUE(Has(second, "status=-5")) << second;
    EXPECT_TRUE(Has(first, "frames=10")) << first;
    EXPECT_TRUE(Has(s.Run("info"), "frames=10")) << "the slot is free again";
}

TEST(FrameServe, AnotherProtocolVersionIsRejected) {
    SServing s(10, 25.0, 0);
    std::string text = s.Run("version", "2");
    EXPECT_TRUE(Has(text, "connect=-5\n")) << text;
    EXPECT_TRUE(Has(s.Run("info"), "frames=10")) << "a client of the right version still comes in";
}

TEST(FrameServe, LyingLengthsAreRefusedAndTheClientDropped) {
    SServing s(10, 25.0, 0);
    // A length word beyond the data area: the server drops the client, whose
    // wait for a reply ends as turned away.
    std::string lie = s.Run("lie");
    EXPECT_TRUE(Has(lie, "connect=1\n")) << lie;
    EXPECT_TRUE(Has(lie, "reply=-5\n")) << lie;
    // A request shorter than one: refused (the client reads why), then dropped.
    std::string shortRequest = s.Run("short");
    EXPECT_TRUE(Has(shortRequest, "reply=2\n")) << shortRequest;
    EXPECT_TRUE(Has(s.Run("frames", "2"), "frame 1: ")) << "serving goes on";
    EXPECT_EQ(s.server.FramesServed(), 2);
}

TEST(FrameServe, AClientThatDiesMidRequestOrHoldingTheMutexIsSurvived) {
    SServing s(10, 25.0, 0);
    EXPECT_TRUE(Has(s.Run("die"), "connect=1\n"));
    EXPECT_TRUE(Has(s.Run("die-locked"), "connect=1\n"));
    // The server noticed both and serves the next client.
    const auto start = std::chrono::steady_clock::now();
    std::string text = s.Run("frames", "3");
    EXPECT_TRUE(Has(text, "frame 2: ")) << text;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    const auto stop = std::chrono::steady_clock::now();
    s.server.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - stop, std::chrono::seconds(2));
}

TEST(FrameServe, CancelFromTheSinkEndsServingAndTheClientSeesIt) {
    SServing s(1000, 25.0, 0);
    s.sink.stopAt = 1;
    std::string text = s.Run("frames", "1000");
    // Frame 10 is served; its progress report (1 %) says stop.
    EXPECT_TRUE(Has(text, "frame 10: ")) << text;
    EXPECT_FALSE(Has(text, "frame 11: ")) << text;
    EXPECT_TRUE(Has(text, "status=-7")) << text;
    s.server.Join();
    EXPECT_TRUE(s.server.WasCancelled());
    EXPECT_EQ(s.server.FramesServed(), 11);
}

TEST(FrameServe, IdleServingAsksTheSinkAndStopsWithoutAClient) {
    SServing s(10, 25.0, 0);
    for (int i = 0; i < 100 && s.sink.reports < 2; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_GE(s.sink.reports, 2) << "a cancel is seen while nobody asks for frames";
    s.sink.stop = true;
    s.server.Join();
    EXPECT_TRUE(s.server.WasCancelled());
    EXPECT_FALSE(s.server.HadClient());
}

TEST(FrameServe, TheChannelIsPrivateAndNamedUnguessably) {
    SServing s(10, 25.0, 0);
    const std::string name = s.server.ChannelName();
    ASSERT_EQ(name.size(), 8u + 32u) << name;
    EXPECT_EQ(name.find("album"), std::string::npos) << "the output's name does not show in the object's";
    struct stat info {};
    ASSERT_EQ(stat(("/dev/shm" + name).c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    SServing other(10, 25.0, 0);
    EXPECT_NE(other.server.ChannelName(), name);

    // Placeholders that name no channel, or another user's file.
    CTempDir dir;
    for (const char* bad : {"", "/kvclip-0123", "/../../etc/passwd", "/kvclip-0123456789abcdef0123456789abcdeg"}) {
        std::string path = dir.WriteFile("bad.atv", std::string(bad) + "\n"), text;
        RunCommand(std::string(KV_FRAME_TEST_CLIENT) + " info " + path, &text);
        EXPECT_TRUE(Has(text, "status=-2")) << bad << ": " << text;
    }
    std::string gone = dir.WriteFile("gone.atv", "/kvclip-0123456789abcdef0123456789abcdef\n"), text;
    RunCommand(std::string(KV_FRAME_TEST_CLIENT) + " info " + gone, &text);
    EXPECT_TRUE(Has(text, "status=-3")) << text;
    s.server.Stop();
    EXPECT_NE(stat(("/dev/shm" + name).c_str(), &info), 0) << "the object goes with the server";
}
