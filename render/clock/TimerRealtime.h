#pragma once

#include "render/clock/TimerBase.h"

class ITimerNotify;

// A clock that ticks on its own: a periodic thread on a steady clock steps
// the frame every interval (without waiting for the workers, so a slow
// renderer drops frames instead of delaying the clock) and tells its owner.
class CTimerRealtime : public CTimerBase {
public:
    explicit CTimerRealtime(bool loop = false, ITimerNotify* notify = nullptr);
    ~CTimerRealtime() override;

    void SetNotify(ITimerNotify* notify) { m_notify = notify; }
    // Sets the interval and the frame rate to 1000 / ms.
    virtual int SetInterval(int ms);
    virtual int SetFrameCount(int count);
    virtual int Start();
    virtual int Stop();
    virtual void Tick();
    [[nodiscard]] bool IsRunning() const { return m_thread.joinable(); }

protected:
    void AddExtraHandles(std::vector<CEvent*>& handles) override { handles.push_back(&m_tickIdle); }
    void StopThread();

    int m_interval = 0;
    ITimerNotify* m_notify;
    bool m_ended = false;
    // Signalled while no tick is in progress.
    CEvent m_tickIdle{true, true};

private:
    void Run();

    std::thread m_thread;
    std::mutex m_runMutex;
    std::condition_variable m_runWake;
    bool m_running = false;
};
