#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>

// What a background job tells its owner, in the order it happened.
struct SJobNotice {
    enum EKind : int { kProgress = 0, kStatus = 1, kDone = 2, kCancelled = 3, kFailed = 4 };
    int kind = kProgress;
    int value = 0;    // percent for kProgress
    std::string text; // status or error text
};

// A thread-safe first-in first-out queue of notices that the front end reads
// (a terminal loop, or the GUI's event loop).
class CNoticeQueue {
public:
    void Post(SJobNotice notice);
    // The next notice, waiting up to timeout; false when none came.
    bool Wait(SJobNotice& notice, std::chrono::milliseconds timeout);
    bool TryPop(SJobNotice& notice);

private:
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<SJobNotice> m_notices;
};
