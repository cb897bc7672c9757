#include "audio/AudioSrc.h"
#include "encode/EncodeEngine.h"
#include "encode/Encoder.h"
#include "encode/NoticeQueue.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

namespace {

// An engine that reports progress in steps of ten, each twice as frames of
// the same percentage do, and ends as it is told, writing its file as it goes.
class CFakeEngine final : public IEncodeEngine {
public:
    int Encode(IVideoSrc*, IAudioSrc* audio, const std::string& path, IProgress* progress) override {
        m_path = path;
        m_audio = audio;
        std::ofstream(path) << "NEW";
        for (int p = 0; p <= 100; p += 10) {
            if (p == m_pauseAt)
                Pause();
            for (int frame = 0; frame < 2; ++frame)
                if (progress && !progress->OnProgress(p))
                    return kCancelled;
        }
        if (m_pauseAt > 100)
            Pause();
        return m_result;
    }
    // Holds the encode until the test releases it.
    void Pause() {
        m_paused = true;
        while (!m_release)
            std::this_thread::yield();
    }
    std::string GetErrorText() const override { return m_error; }

    int m_result = kDone;
    int m_pauseAt = -1;
    std::string m_error;
    std::string m_path;
    IAudioSrc* m_audio = nullptr;
    std::atomic<bool> m_paused{false}, m_release{false};
};

// A sound that tells on which thread it was opened and whether it is open.
class CWatchedSound final : public IAudioSrc {
public:
    explicit CWatchedSound(bool opens) : m_opens(opens) {}
    bool Open() override {
        m_openedOn = std::this_thread::get_id();
        m_open = m_opens;
        return m_opens;
    }
    void Close() override {
        m_open = false;
        ++m_closes;
    }
    int GetSampleRate() const override { return 48000; }
    int GetChannels() const override { return 2; }
    int GetBitsPerSample() const override { return 16; }
    std::int64_t GetLength() override { return 48000; }
    std::int64_t Seek(std::int64_t, int) override { return 0; }
    std::int64_t Tell() override { return 0; }
    const std::uint8_t* Read(int& count) override {
        count = 0;
        return nullptr;
    }

    bool m_opens;
    bool m_open = false;
    int m_closes = 0;
    std::thread::id m_openedOn;
};

std::vector<SJobNotice> Drain(CNoticeQueue& queue) {
    std::vector<SJobNotice> out;
    SJobNotice notice;
    while (queue.Wait(notice, std::chrono::seconds(10))) {
        out.push_back(notice);
        if (notice.kind >= SJobNotice::kDone)
            break;
    }
    return out;
}

} // namespace

// Each percentage is posted once, however often the engine reports it.
TEST(Encoder, ReportsProgressInOrderThenOneOutcome) {
    CTempDir dir;
    const std::string out = dir / "out.mpg";
    CFakeEngine engine;
    CNoticeQueue queue;
    CEncoder job(engine);
    ASSERT_TRUE(job.Begin(nullptr, nullptr, out, &queue));
    std::vector<SJobNotice> notices = Drain(queue);
    ASSERT_EQ(notices.size(), 12u);
    for (int i = 0; i <= 10; ++i) {
        EXPECT_EQ(notices[std::size_t(i)].kind, SJobNotice::kProgress);
        EXPECT_EQ(notices[std::size_t(i)].value, 10 * i);
    }
    EXPECT_EQ(notices.back().kind, SJobNotice::kDone);
    EXPECT_EQ(ReadWholeFile(out), "NEW");

    // The same job runs once more after it ended; a failure brings the
    // engine's text along, copied before the engine could go away.
    job.Join();
    engine.m_result = IEncodeEngine::kFailed;
    engine.m_error = "disk full";
    ASSERT_TRUE(job.Begin(nullptr, nullptr, out, &queue));
    notices = Drain(queue);
    ASSERT_FALSE(notices.empty());
    EXPECT_EQ(notices.back().kind, SJobNotice::kFailed);
    EXPECT_EQ(notices.back().text, "disk full");
    EXPECT_EQ(job.ErrorText(), "disk full");
}

TEST(Encoder, CancelStopsAtTheNextReportButNotAfterTheLast) {
    CTempDir dir;
    const std::string x = dir / "x";
    {
        CFakeEngine engine;
        engine.m_pauseAt = 50;
        CNoticeQueue queue;
        CEncoder job(engine);
        ASSERT_TRUE(job.Begin(nullptr, nullptr, x, &queue));
        while (!engine.m_paused)
            std::this_thread::yield();
        EXPECT_FALSE(job.Begin(nullptr, nullptr, x, &queue)); // one job at a time
        job.Cancel();
        job.Cancel(); // twice is once
        engine.m_release = true;
        std::vector<SJobNotice> notices = Drain(queue);
        ASSERT_EQ(notices.size(), 6u); // 0 .. 40, then Cancelled
        EXPECT_EQ(notices.back().kind, SJobNotice::kCancelled);
    }
    {
        // At 100 percent the engine asks no more: the encode finishes.
        CFakeEngine engine;
        engine.m_pauseAt = 101;
        CNoticeQueue queue;
        CEncoder job(engine);
        ASSERT_TRUE(job.Begin(nullptr, nullptr, x, &queue));
        while (!engine.m_paused)
            std::this_thread::yield();
        job.Cancel();
        engine.m_release = true;
        EXPECT_EQ(Drain(queue).back().kind, SJobNotice::kDone);
    }
}

// The output path holds the file that was there until the encode is done or
// cancelled, then the whole new file; a failure keeps the old one and leaves
// nothing beside it, and its text names the output, not the temporary file.
TEST(Encoder, TheOutputOnlyEverHoldsAWholeFile) {
    CTempDir dir;
    const std::string out = dir.WriteFile("out.mpg", "OLD");
    auto leftovers = [&dir] {
        int count = 0;
        for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
            count += entry.path().filename() != "out.mpg";
        return count;
    };
    for (int outcome : {IEncodeEngine::kDone, IEncodeEngine::kCancelled, IEncodeEngine::kFailed}) {
        dir.WriteFile("out.mpg", "OLD");
        CFakeEngine engine;
        engine.m_pauseAt = 50;
        engine.m_result = outcome == IEncodeEngine::kCancelled ? IEncodeEngine::kDone : outcome;
        CNoticeQueue queue;
        CEncoder job(engine);
        ASSERT_TRUE(job.Begin(nullptr, nullptr, out, &queue));
        while (!engine.m_paused)
            std::this_thread::yield();
        EXPECT_NE(engine.m_path, out);
        EXPECT_EQ(ReadWholeFile(out), "OLD") << "while the encode runs";
        engine.m_error = "Cannot write \"" + engine.m_path + "\": No space left on device";
        if (outcome == IEncodeEngine::kCancelled)
            job.Cancel();
        engine.m_release = true;
        EXPECT_EQ(Drain(queue).back().kind, outcome == IEncodeEngine::kDone ? SJobNotice::kDone
                                             : outcome == IEncodeEngine::kCancelled
                                                 ? SJobNotice::kCancelled
                                                 : SJobNotice::kFailed);
        job.Join();
        EXPECT_EQ(ReadWholeFile(out), outcome == IEncodeEngine::kFailed ? "OLD" : "NEW") << outcome;
        EXPECT_EQ(leftovers(), 0) << outcome;
        if (outcome == IEncodeEngine::kFailed) {
            EXPECT_EQ(job.ErrorText(), "Cannot write \"" + out + "\": No space left on device");
        }
    }
}

// Asked to, the worker opens the sound before the encode, leaves out one
// that cannot be opened, and closes it before the owner hears the outcome;
// otherwise the sound reaches the engine as the owner gave it.
TEST(Encoder, OpensTheSoundOnItsOwnThreadWhenAsked) {
    CTempDir dir;
    CFakeEngine engine;
    CNoticeQueue queue;
    CEncoder job(engine);
    CWatchedSound sound(true);
    ASSERT_TRUE(job.Begin(nullptr, &sound, dir / "a.mpg", &queue, true));
    EXPECT_EQ(Drain(queue).back().kind, SJobNotice::kDone);
    EXPECT_EQ(engine.m_audio, &sound);
    EXPECT_NE(sound.m_openedOn, std::thread::id());
    EXPECT_NE(sound.m_openedOn, std::this_thread::get_id());
    EXPECT_FALSE(sound.m_open);
    EXPECT_EQ(sound.m_closes, 1);

    job.Join();
    CWatchedSound broken(false);
    ASSERT_TRUE(job.Begin(nullptr, &broken, dir / "b.mpg", &queue, true));
    EXPECT_EQ(Drain(queue).back().kind, SJobNotice::kDone);
    EXPECT_EQ(engine.m_audio, nullptr) << "rendered without the sound";
    EXPECT_EQ(broken.m_closes, 0);

    job.Join();
    CWatchedSound owned(true);
    ASSERT_TRUE(job.Begin(nullptr, &owned, dir / "c.mpg", &queue));
    EXPECT_EQ(Drain(queue).back().kind, SJobNotice::kDone);
    EXPECT_EQ(engine.m_audio, &owned);
    EXPECT_EQ(owned.m_openedOn, std::thread::id()) << "the owner opens it";
    EXPECT_EQ(owned.m_closes, 0);
}
