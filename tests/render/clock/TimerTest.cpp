#include "audio/AudioPlay2.h"
#include "audio/AudioSilence.h"
#include "audio/SoundDevice.h"
#include "render/clock/TimerAudio.h"
#include "render/clock/TimerGenerate.h"
#include "render/clock/TimerProcs.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <thread>

namespace {

using namespace std::chrono_literals;

// Counts its runs and remembers the frame it saw; can be held inside a run.
class CCountingProc final : public ITimerEventProc {
public:
    explicit CCountingProc(CTimerBase& clock) : m_clock(clock) {}
    void OnEvent() override {
        started = true;
        while (hold)
            std::this_thread::sleep_for(1ms);
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        lastFrame = m_clock.GetCurrentFrame();
        ++runs;
    }
    std::atomic<int> runs{0};
    std::atomic<int> lastFrame{-1};
    std::atomic<bool> hold{false};
    std::atomic<bool> started{false};
    int delayMs = 0;

private:
    CTimerBase& m_clock;
};

class CRecordingNotify final : public ITimerNotify {
public:
    void OnEnd() override { ++ends; }
    void OnFrame(int frame, int) override { last = frame; ++frames; }
    std::atomic<int> ends{0}, frames{0}, last{-1};
};

} // namespace

TEST(Timers, FramesAreClampedIntoTheCount) {
    CTimerGenerate clock;
    EXPECT_EQ(clock.SetFrame(3, 1), 0); // no frames yet
    EXPECT_EQ(clock.Next(), 0);
    clock.SetFrameCount(100);
    EXPECT_EQ(clock.SetFrame(-5, 1), 0);
    EXPECT_EQ(clock.GetCurrentFrame(), 0);
    EXPECT_EQ(clock.SetFrame(100, 1), 0);
    EXPECT_EQ(clock.GetCurrentFrame(), 99);
    EXPECT_EQ(clock.Next(), 0); // the last frame of a clock that does not loop
    EXPECT_EQ(clock.GetCurrentFrame(), 99);

    CTimerRealtime looping(true);
    looping.SetFrameCount(3);
    looping.SetFrame(2, 0);
    EXPECT_EQ(looping.Next(), 1);
    EXPECT_EQ(looping.GetCurrentFrame(), 0);
}

TEST(Timers, AWaitingClockReturnsWhenEveryWorkerIsDone) {
    CTimerGenerate clock;
    clock.SetFrameCount(10);
    CCountingProc slow(clock), fast(clock);
    slow.delayMs = 30;
    for (CCountingProc* proc : {&slow, &fast}) {
        CTimerBase::CTimerEvent* event = clock.AddEvent();
        event->SetProc(proc);
        ASSERT_TRUE(event->Start("kv-test"));
    }
    EXPECT_EQ(clock.SetFrame(4, 1), 1);
    EXPECT_EQ(slow.runs, 1);
    EXPECT_EQ(slow.lastFrame, 4);
    EXPECT_EQ(fast.lastFrame, 4);
    // The same frame again wakes nobody.
    EXPECT_EQ(clock.SetFrame(4, 1), 1);
    EXPECT_EQ(slow.runs, 1);
    EXPECT_EQ(clock.Next(), 1);
    EXPECT_EQ(slow.lastFrame, 5);
}

TEST(Timers, SignalsDuringARunCollapseIntoOneMoreRun) {
    CTimerBase clock;
    clock.SetFrameCount(10);
    CCountingProc proc(clock);
    CTimerBase::CTimerEvent* event = clock.AddEvent();
    event->SetProc(&proc);
    ASSERT_TRUE(event->Start());
    proc.hold = true;
    clock.SetFrame(1, 0);
    while (!proc.started)
        std::this_thread::sleep_for(1ms);
    clock.SetFrame(2, 0);
    clock.SetFrame(3, 0);
    proc.hold = false;
    ASSERT_TRUE(event->Done().WaitFor(2s));
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(proc.runs, 2);
    EXPECT_EQ(proc.lastFrame, 3);
    EXPECT_TRUE(event->RenderNow());
    EXPECT_EQ(proc.runs, 3);
}

TEST(Timers, ARealtimeClockTicksToItsEndOnce) {
    CRecordingNotify notify;
    CTimerRealtime clock(false, &notify);
    EXPECT_EQ(clock.Start(), 0); // no interval yet
    clock.SetInterval(5);
    EXPECT_DOUBLE_EQ(clock.GetFrameRate(), 200.0);
    clock.SetFrameCount(4);
    ASSERT_EQ(clock.Start(), 1);
    for (int i = 0; i < 200 && notify.ends == 0; ++i)
        std::this_thread::sleep_for(5ms);
    std::this_thread::sleep_for(30ms);
    clock.Stop();
    EXPECT_EQ(notify.ends, 1);
    EXPECT_EQ(notify.last, 3);
    EXPECT_EQ(notify.frames, 4); // frames 0 to 3
}

TEST(Timers, TheAudioClockStepsByItselfWithoutSound) {
    CRecordingNotify notify;
    CTimerAudio once(nullptr, false, &notify);
    once.SetInterval(50);
    once.SetFrameCount(2);
    once.Tick();
    once.Tick();
    once.Tick();
    once.Tick();
    EXPECT_EQ(notify.frames, 2);
    EXPECT_EQ(notify.ends, 1);

    CRecordingNotify again;
    CTimerAudio repeat(nullptr, true, &again);
    repeat.SetFrameCount(2);
    repeat.Tick();
    repeat.Tick();
    repeat.Tick(); // past the end: back to frame 0
    EXPECT_EQ(again.last, 0);
    EXPECT_EQ(again.ends, 0);
}

TEST(Timers, SoundPlaysThroughTheDeviceAndReportsItsPosition) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    CSoundDevice device;
    if (!device.IsAvailable())
        GTEST_SKIP() << "no sound device, not even the dummy one";
    CAudioSilence silence(8000 * 5);
    silence.SetFormat(8000, 2, 16);
    CAudioPlay2 sound(device);
    ASSERT_EQ(sound.Open(&silence), 1);
    EXPECT_EQ(sound.Seek(1.0), 1);
    ASSERT_EQ(sound.Start(), 1);
    std::this_thread::sleep_for(400ms);
    double position = 0;
    ASSERT_EQ(sound.Position(&position), 1);
    EXPECT_GT(position, 1.0);
    EXPECT_LT(position, 3.0);

    // The audio clock follows it: at 20 frames per second.
    CRecordingNotify notify;
    CTimerAudio clock(&sound, false, &notify);
    clock.SetInterval(50);
    clock.SetFrameCount(100);
    clock.Tick();
    ASSERT_EQ(sound.Position(&position), 1);
    EXPECT_NEAR(clock.GetCurrentFrame(), int(20 * position + 0.5), 2);
    sound.Stop(1);
    EXPECT_FALSE(sound.IsPlaying());
    sound.Close();
}
