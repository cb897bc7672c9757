#include "base/Event.h"

CEvent::CEvent(bool manualReset, bool initialState)
    : m_manualReset(manualReset), m_signalled(initialState) {}

void CEvent::Set() {
    {
        std::lock_guard lock(m_mutex);
        m_signalled = true;
    }
    // An auto-reset event wakes one waiter: the first to run consumes the signal,
    // so waking more would only make the rest go back to sleep.
    if (m_manualReset)
        m_cond.notify_all();
    else
        m_cond.notify_one();
}

void CEvent::Reset() {
    std::lock_guard lock(m_mutex);
    m_signalled = false;
}

void CEvent::Wait() {
    std::unique_lock lock(m_mutex);
    m_cond.wait(lock, [this] { return m_signalled; });
    if (!m_manualReset)
        m_signalled = false;
}

bool CEvent::WaitFor(std::chrono::milliseconds timeout) {
    return WaitUntil(Clock::now() + timeout);
}

bool CEvent::WaitUntil(Clock::time_point deadline) {
    std::unique_lock lock(m_mutex);
    if (!m_cond.wait_until(lock, deadline, [this] { return m_signalled; }))
        return false;
    if (!m_manualReset)
        m_signalled = false;
    return true;
}

bool CEvent::IsSet() const {
    std::lock_guard lock(m_mutex);
    return m_signalled;
}

bool CEvent::WaitAll(std::span<CEvent* const> events, Clock::time_point deadline) {
    for (CEvent* event : events) {
        if (event && !event->WaitUntil(deadline))
            return false;
    }
    return true;
}
