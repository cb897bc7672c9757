#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <span>

// A waitable event with auto- or manual-reset semantics.
//
// A manual-reset event stays signalled until Reset() and releases every waiter.
// An auto-reset event releases exactly one waiter per Set(): the successful wait
// consumes the signal, so two Set() calls without a wait between them count once.
class CEvent {
public:
    using Clock = std::chrono::steady_clock;

    explicit CEvent(bool manualReset = false, bool initialState = false);
    CEvent(const CEvent&) = delete;
    CEvent& operator=(const CEvent&) = delete;

    void Set();
    void Reset();

    // Waits without a time limit.
    void Wait();
    // Returns true when the event was signalled before the timeout expired.
    [[nodiscard]] bool WaitFor(std::chrono::milliseconds timeout);
    [[nodiscard]] bool WaitUntil(Clock::time_point deadline);

    // Returns the state without consuming it.
    [[nodiscard]] bool IsSet() const;
    [[nodiscard]] bool IsManualReset() const { return m_manualReset; }

    // Waits until every event has been signalled, all against one shared deadline.
    // Returns false as soon as one event is still unsignalled at the deadline; the
    // auto-reset events already waited for stay consumed, as a caller that gives up
    // on a frame does not expect those workers to signal it again.
    [[nodiscard]] static bool WaitAll(std::span<CEvent* const> events, Clock::time_point deadline);

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_cond;
    const bool m_manualReset;
    bool m_signalled;
};
