#include "render/clock/TimerBase.h"

#include "base/ThreadName.h"
#include "base/ThreadPriority.h"
#include "render/clock/TimerProcs.h"

#include <algorithm>

// --- CTimerEvent -------------------------------------------------------------------

CTimerBase::CTimerEvent::CTimerEvent(CTimerBase& owner) : m_owner(owner) {}

CTimerBase::CTimerEvent::~CTimerEvent() { StopWorker(); }

bool CTimerBase::CTimerEvent::Start(const char* name) {
    if (m_active)
        return true;
    {
        std::lock_guard lock(m_mutex);
        m_go = false;
        m_quit = false;
    }
    m_done.Set();
    m_name = name ? name : "kv-worker";
    try {
        m_thread = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        return false;
    }
    m_active = true;
    return true;
}

void CTimerBase::CTimerEvent::Run() {
    SetThreadName(m_name.c_str());
    if (m_owner.WorkersBelowNormal())
        RunBelowNormalPriority();
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_go || m_quit; });
        if (m_quit)
            break;
        m_go = false;
        lock.unlock();
        if (m_proc)
            m_proc->OnEvent();
        lock.lock();
        if (m_quit)
            break;
        // A signal that came while the work ran is served by one more run.
        if (!m_go)
            m_done.Set();
    }
    m_done.Set();
}

void CTimerBase::CTimerEvent::Trigger(bool quit) {
    if (!m_active)
        return;
    std::lock_guard lock(m_mutex);
    // A worker told to quit stays done, so nobody waits for it.
    if (m_quit)
        return;
    m_done.Reset();
    if (quit)
        m_quit = true;
    else
        m_go = true;
    m_wake.notify_one();
}

bool CTimerBase::CTimerEvent::RenderNow() {
    if (!m_active)
        return false;
    Trigger(false);
    for (;;) {
        if (m_done.WaitFor(std::chrono::milliseconds(100)))
            return true;
        std::lock_guard lock(m_mutex);
        if (m_quit)
            return false;
    }
}

void CTimerBase::CTimerEvent::StopWorker() {
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
        m_wake.notify_one();
    }
    if (m_thread.joinable())
        m_thread.join();
    m_active = false;
    std::lock_guard lock(m_mutex);
    m_go = true;
    m_done.Set();
}

// --- CTimerBase --------------------------------------------------------------------

CTimerBase::CTimerBase(bool loop, bool wait) : m_loop(loop), m_wait(wait) {}

CTimerBase::~CTimerBase() { Shutdown(); }

double CTimerBase::GetFrameRate() const {
    std::lock_guard lock(m_frameMutex);
    return m_frameRate;
}

int CTimerBase::GetCurrentFrame() const {
    std::lock_guard lock(m_frameMutex);
    return m_currentFrame;
}

int CTimerBase::GetFrameCount() const {
    std::lock_guard lock(m_frameMutex);
    return m_frameCount;
}

void CTimerBase::SetFrameRate(double rate) {
    std::lock_guard lock(m_frameMutex);
    m_frameRate = rate;
}

void CTimerBase::SetFrameCount(int count) {
    std::lock_guard lock(m_frameMutex);
    m_frameCount = count;
}

int CTimerBase::SetFrame(int frame, int wait) {
    int result;
    {
        std::lock_guard lock(m_frameMutex);
        if (m_frameCount <= 0)
            return 0;
        result = frame >= 0 && frame < m_frameCount ? 1 : 0;
        frame = std::clamp(frame, 0, m_frameCount - 1);
        if (frame == m_currentFrame)
            return result;
        m_currentFrame = frame;
    }
    if (!SignalAll(wait != 0))
        result = 0;
    return result;
}

int CTimerBase::Next() {
    {
        std::lock_guard lock(m_frameMutex);
        if (m_frameCount <= 0)
            return 0;
        int frame = m_currentFrame + 1;
        if (frame >= m_frameCount) {
            if (!m_loop) {
                m_currentFrame = m_frameCount - 1;
                return 0;
            }
            frame = 0;
        }
        m_currentFrame = frame;
    }
    return SignalAll(m_wait) ? 1 : 0;
}

// The events are taken under the list lock and signalled and waited for
// outside it, so a worker may be added or removed while a frame renders; the
// copies keep removed events alive until the wait is over.
bool CTimerBase::SignalAll(bool wait) {
    SSnapshot snapshot = TakeSnapshot();
    for (auto& event : snapshot.events)
        if (event->IsActive())
            event->Trigger(false);
    return !wait || WaitFor(snapshot);
}

bool CTimerBase::WaitForWorkers() { return WaitFor(TakeSnapshot()); }

CTimerBase::SSnapshot CTimerBase::TakeSnapshot() {
    std::lock_guard lock(m_listMutex);
    return {m_events, m_doneHandles};
}

bool CTimerBase::WaitFor(const SSnapshot& snapshot) {
    if (snapshot.handles.empty())
        return true;
    for (;;) {
        if (CEvent::WaitAll(snapshot.handles, CEvent::Clock::now() + std::chrono::milliseconds(100)))
            return true;
        if (m_stop)
            return false;
    }
}

void CTimerBase::RebuildHandles() {
    std::lock_guard lock(m_listMutex);
    m_doneHandles.clear();
    for (auto& event : m_events)
        m_doneHandles.push_back(&event->Done());
    AddExtraHandles(m_doneHandles);
}

CTimerBase::CTimerEvent* CTimerBase::AddEvent() {
    std::lock_guard lock(m_listMutex);
    m_events.push_back(std::make_shared<CTimerEvent>(*this));
    CTimerEvent* event = m_events.back().get();
    RebuildHandles();
    return event;
}

CTimerBase::CTimerEvent* CTimerBase::StartEvent(ITimerEventProc* proc, const char* name) {
    CTimerEvent* event = AddEvent();
    event->SetProc(proc);
    if (event->Start(name))
        return event;
    RemoveEvent(event);
    return nullptr;
}

void CTimerBase::RemoveEvent(CTimerEvent* event) {
    std::shared_ptr<CTimerEvent> removed;
    {
        std::lock_guard lock(m_listMutex);
        auto it = std::find_if(m_events.begin(), m_events.end(),
                               [event](const auto& e) { return e.get() == event; });
        if (it == m_events.end())
            return;
        removed = std::move(*it);
        m_events.erase(it);
        RebuildHandles();
    }
    // The worker ends outside the list lock, before this returns, even while a
    // signaller still holds the event: nothing runs its procedure afterwards.
    removed->StopWorker();
}

void CTimerBase::Shutdown() {
    std::vector<std::shared_ptr<CTimerEvent>> events;
    {
        m_stop = true;
        std::lock_guard lock(m_listMutex);
        for (auto& event : m_events)
            event->Trigger(true);
        m_stop = false;
        events = std::move(m_events);
        m_events.clear();
        m_doneHandles.clear();
        AddExtraHandles(m_doneHandles);
    }
    for (auto& event : events)
        event->StopWorker();
    events.clear();
}
