#pragma once

#include <functional>

// The termination signals SIGINT, SIGTERM and SIGHUP, for the whole program.
// They are blocked in every thread and taken by one watcher thread, so a
// signal never lands inside a decoder or an encoder. While a job has a cancel
// scope, the first signal cancels the job, which then ends normally and
// removes what it extracted. Otherwise, or at a second signal, the watcher
// removes the program's temporary folders and ends the program by that
// signal.
class CSignalWatch {
public:
    // Call first in main, before any other thread exists.
    static void Start();

    // Routes termination signals to a cancel function while it lives. The
    // function runs on the watcher thread.
    class CCancelScope {
    public:
        explicit CCancelScope(std::function<void()> cancel);
        CCancelScope(const CCancelScope&) = delete;
        CCancelScope& operator=(const CCancelScope&) = delete;
        ~CCancelScope();
    };
};
