#pragma once

#include "base/Event.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class ITimerEventProc;

// A frame clock: the current frame and the frame count, and a set of worker
// events. Every change of the current frame wakes all workers, each on its own
// thread; a clock that waits returns from a frame change only when every
// worker has finished it.
//
// Locks: the frame lock guards the frame fields and is never held while
// signalling or waiting; the event-list lock guards the list only (signalling
// and waiting work on a copy); each event has its own lock.
class CTimerBase {
public:
    // One worker: runs its procedure once per signal on its own thread;
    // signals that arrive while it runs collapse into one more run.
    class CTimerEvent {
    public:
        explicit CTimerEvent(CTimerBase& owner);
        CTimerEvent(const CTimerEvent&) = delete;
        CTimerEvent& operator=(const CTimerEvent&) = delete;
        ~CTimerEvent();

        void SetProc(ITimerEventProc* proc) { m_proc = proc; }
        // Starts the worker thread; the name labels it in debuggers.
        bool Start(const char* name = "kv-worker");
        // Signals go (or quit) when active.
        void Trigger(bool quit);
        // Triggers and waits until the run is done (true) or the worker quits.
        bool RenderNow();
        // Ends the worker thread.
        void StopWorker();
        [[nodiscard]] bool IsActive() const { return m_active; }
        [[nodiscard]] CEvent& Done() { return m_done; }

    private:
        void Run();

        CTimerBase& m_owner;
        std::mutex m_mutex;
        std::condition_variable m_wake;
        bool m_go = false;   // auto-reset: consumed when the worker wakes
        bool m_quit = false; // manual reset
        CEvent m_done{true, true};
        std::thread m_thread;
        std::atomic<bool> m_active{false};
        ITimerEventProc* m_proc = nullptr;
        std::string m_name;
    };

    explicit CTimerBase(bool loop = false, bool wait = false);
    CTimerBase(const CTimerBase&) = delete;
    CTimerBase& operator=(const CTimerBase&) = delete;
    virtual ~CTimerBase();

    // Moves to a frame (clamped into the count) and wakes the workers when it
    // changed, waiting for them when asked. 1 when the frame was in range and,
    // when waiting, every worker finished; 0 otherwise (and for no frames).
    virtual int SetFrame(int frame, int wait);
    // Steps one frame: wraps to 0 when looping, else stays on the last frame
    // and returns 0.
    virtual int Next();
    [[nodiscard]] virtual double GetFrameRate() const;
    [[nodiscard]] virtual int GetCurrentFrame() const;
    virtual void RebuildHandles();

    // Whether a frame change returns only when every worker finished it: then
    // no worker draws while the frame is read.
    [[nodiscard]] bool WaitsForWorkers() const { return m_wait; }
    void SetFrameRate(double rate);
    void SetFrameCount(int count);
    [[nodiscard]] int GetFrameCount() const;
    // A new worker event (not started); owned by the clock.
    CTimerEvent* AddEvent();
    void RemoveEvent(CTimerEvent* event);
    // A new worker running proc, started; null (and nothing added) when no
    // thread can be started.
    CTimerEvent* StartEvent(ITimerEventProc* proc, const char* name);
    // Ends every worker; the clock's destructor runs it too.
    void Shutdown();
    // Waits until every worker is done (true) or the stop flag is set (false).
    bool WaitForWorkers();
    // Whether the workers run below normal priority (set before any starts).
    [[nodiscard]] bool WorkersBelowNormal() const { return m_belowNormal; }

protected:
    void SetWorkersBelowNormal(bool below) { m_belowNormal = below; }
    // Wakes every active worker; with wait, returns once all are done (true) or
    // the stop flag cuts the wait short (false).
    bool SignalAll(bool wait);
    struct SSnapshot {
        std::vector<std::shared_ptr<CTimerEvent>> events;
        std::vector<CEvent*> handles;
    };
    SSnapshot TakeSnapshot();
    bool WaitFor(const SSnapshot& snapshot);
    // Events the clock waits for besides the workers' done events.
    virtual void AddExtraHandles(std::vector<CEvent*>&) {}

    mutable std::mutex m_frameMutex;
    double m_frameRate = 15.0;
    bool m_loop;
    bool m_wait;
    bool m_belowNormal = false;
    int m_currentFrame = -1;
    int m_frameCount = 0;

    std::recursive_mutex m_listMutex;
    std::vector<std::shared_ptr<CTimerEvent>> m_events;
    std::vector<CEvent*> m_doneHandles;
    std::atomic<bool> m_stop{false};
};
