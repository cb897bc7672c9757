#include "encode/EncodeEngine.h"
#include "encode/Encoder.h"
#include "encode/NoticeQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

// An engine that reports progress in steps of ten and ends as it is told.
class CFakeEngine final : public IEncodeEngine {
public:
    int Encode(IVideoSrc*, IAudioSrc*, const std::string& path, IProgress* progress) override {
        m_path = path;
        for (int p = 0; p <= 100; p += 10) {
            if (p == m_pauseAt)
                Pause();
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
    std::atomic<bool> m_paused{false}, m_release{false};
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

TEST(Encoder, ReportsProgressInOrderThenOneOutcome) {
    CFakeEngine engine;
    CNoticeQueue queue;
    CEncoder job(engine);
    ASSERT_TRUE(job.Begin(nullptr, nullptr, "/tmp/out.mpg", &queue, 7));
    std::vector<SJobNotice> notices = Drain(queue);
    ASSERT_EQ(notices.size(), 12u);
    for (int i = 0; i <= 10; ++i) {
        EXPECT_EQ(notices[std::size_t(i)].kind, SJobNotice::kProgress);
        EXPECT_EQ(notices[std::size_t(i)].value, 10 * i);
        EXPECT_EQ(notices[std::size_t(i)].message, 7);
    }
    EXPECT_EQ(notices.back().kind, SJobNotice::kDone);
    EXPECT_EQ(engine.m_path, "/tmp/out.mpg");

    // The same job runs once more after it ended; a failure brings the
    // engine's text along, copied before the engine could go away.
    job.Join();
    engine.m_result = IEncodeEngine::kFailed;
    engine.m_error = "disk full";
    ASSERT_TRUE(job.Begin(nullptr, nullptr, "/tmp/out.mpg", &queue, 8));
    notices = Drain(queue);
    ASSERT_FALSE(notices.empty());
    EXPECT_EQ(notices.back().kind, SJobNotice::kFailed);
    EXPECT_EQ(notices.back().text, "disk full");
    EXPECT_EQ(job.ErrorText(), "disk full");
}

TEST(Encoder, CancelStopsAtTheNextReportButNotAfterTheLast) {
    {
        CFakeEngine engine;
        engine.m_pauseAt = 50;
        CNoticeQueue queue;
        CEncoder job(engine);
        ASSERT_TRUE(job.Begin(nullptr, nullptr, "x", &queue, 1));
        while (!engine.m_paused)
            std::this_thread::yield();
        EXPECT_FALSE(job.Begin(nullptr, nullptr, "x", &queue, 1)); // one job at a time
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
        ASSERT_TRUE(job.Begin(nullptr, nullptr, "x", &queue, 1));
        while (!engine.m_paused)
            std::this_thread::yield();
        job.Cancel();
        engine.m_release = true;
        EXPECT_EQ(Drain(queue).back().kind, SJobNotice::kDone);
    }
}
