#include "render/clock/TimerRealtime.h"

#include "base/ThreadName.h"
#include "render/clock/TimerProcs.h"

CTimerRealtime::CTimerRealtime(bool loop, ITimerNotify* notify)
    : CTimerBase(loop, false), m_notify(notify) {
    RebuildHandles();
}

CTimerRealtime::~CTimerRealtime() {
    StopThread();
    m_tickIdle.Set();
    Shutdown();
}

int CTimerRealtime::SetInterval(int ms) {
    if (ms <= 0)
        return 0;
    m_interval = ms;
    SetFrameRate(1000.0 / ms);
    return 1;
}

int CTimerRealtime::SetFrameCount(int count) {
    CTimerBase::SetFrameCount(count);
    return 1;
}

int CTimerRealtime::Start() {
    m_ended = false;
    if (m_thread.joinable())
        return 1;
    if (m_interval <= 0)
        return 0;
    {
        std::lock_guard lock(m_runMutex);
        m_running = true;
    }
    m_thread = std::thread([this] { Run(); });
    return 1;
}

void CTimerRealtime::Run() {
    SetThreadName("kv-clock");
    auto next = std::chrono::steady_clock::now();
    std::unique_lock lock(m_runMutex);
    while (m_running) {
        next += std::chrono::milliseconds(m_interval);
        if (m_runWake.wait_until(lock, next, [this] { return !m_running; }))
            break;
        lock.unlock();
        m_tickIdle.Reset();
        Tick();
        m_tickIdle.Set();
        lock.lock();
        // After a long tick, do not try to catch up with a burst of ticks.
        auto now = std::chrono::steady_clock::now();
        if (next < now - std::chrono::milliseconds(m_interval))
            next = now;
    }
}

void CTimerRealtime::StopThread() {
    {
        std::lock_guard lock(m_runMutex);
        m_running = false;
    }
    m_runWake.notify_all();
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
        m_thread.join();
}

int CTimerRealtime::Stop() {
    StopThread();
    m_ended = false;
    WaitForWorkers();
    return 1;
}

void CTimerRealtime::Tick() {
    if (Next()) {
        m_ended = false;
        if (m_notify)
            m_notify->OnFrame(GetCurrentFrame(), GetFrameCount());
    } else if (!m_ended) {
        m_ended = true;
        if (m_notify)
            m_notify->OnEnd();
    }
}
