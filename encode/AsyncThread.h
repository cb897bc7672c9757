#pragma once

#include "encode/EncodeEngine.h"

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

class CNoticeQueue;

// A job that runs on a worker thread of its own and tells its owner how it
// goes through a notice queue: progress in order, then exactly one of Done,
// Cancelled or Failed. The owner stops it through Cancel, which the job sees
// at its next progress report. A report of the percentage already posted
// only checks for Cancel: engines report every frame, and waking the owner
// once a frame would be a hundred times more often than the number moves.
class CAsyncThread : public IProgress {
public:
    CAsyncThread() = default;
    CAsyncThread(const CAsyncThread&) = delete;
    CAsyncThread& operator=(const CAsyncThread&) = delete;
    // Waits for a running job to end (ask it to Cancel first to end it soon).
    ~CAsyncThread() override;

    bool OnProgress(int percent) override;
    void OnStatus(const std::string& text) override;
    // Starts the worker; owner may be null (nobody listens). False when a job
    // runs already or no thread can be started.
    virtual bool Start(CNoticeQueue* owner);
    virtual void Cancel();
    // Waits until the worker has posted its last notice.
    void Join();

    [[nodiscard]] bool IsRunning() const { return m_thread.joinable() && !m_finished; }
    [[nodiscard]] std::string ErrorText() const;

protected:
    // The job itself, on the worker thread.
    virtual int Run() = 0;

    // Result as the engines give it (0 done, 1 cancelled, 2 failed).
    int m_result = 0;
    CNoticeQueue* m_owner = nullptr;
    void SetErrorText(const std::string& text);
    // Whether Cancel was called (or no job runs).
    [[nodiscard]] bool StopRequested() const { return m_stop; }

private:
    void ThreadProc();

    std::thread m_thread;
    std::atomic<bool> m_stop{true};
    std::atomic<bool> m_finished{false};
    int m_lastPercent = -1; // the progress last posted, on the worker thread
    mutable std::mutex m_textMutex;
    std::string m_error;
};
