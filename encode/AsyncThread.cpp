#include "encode/AsyncThread.h"

#include "base/ThreadName.h"
#include "encode/NoticeQueue.h"

#include <system_error>

CAsyncThread::~CAsyncThread() { Join(); }

bool CAsyncThread::OnProgress(int percent) {
    if (m_stop)
        return false;
    if (m_owner && percent != m_lastPercent)
        m_owner->Post({SJobNotice::kProgress, percent, {}});
    m_lastPercent = percent;
    return true;
}

void CAsyncThread::OnStatus(const std::string& text) {
    if (m_owner)
        m_owner->Post({SJobNotice::kStatus, 0, text});
}

bool CAsyncThread::Start(CNoticeQueue* owner) {
    if (m_thread.joinable()) {
        if (!m_finished)
            return false;
        m_thread.join();
    }
    m_owner = owner;
    m_result = 0;
    m_lastPercent = -1;
    m_finished = false;
    m_stop = false;
    try {
        m_thread = std::thread([this] { ThreadProc(); });
    } catch (const std::system_error&) {
        m_stop = true;
        return false;
    }
    return true;
}

void CAsyncThread::Cancel() {
    if (m_thread.joinable())
        m_stop = true;
}

void CAsyncThread::Join() {
    if (m_thread.joinable())
        m_thread.join();
}

std::string CAsyncThread::ErrorText() const {
    std::lock_guard lock(m_textMutex);
    return m_error;
}

void CAsyncThread::SetErrorText(const std::string& text) {
    std::lock_guard lock(m_textMutex);
    m_error = text;
}

void CAsyncThread::ThreadProc() {
    SetThreadName("kv-encode");
    Run();
    const int kind = m_result == IEncodeEngine::kDone        ? SJobNotice::kDone
                     : m_result == IEncodeEngine::kCancelled ? SJobNotice::kCancelled
                                                             : SJobNotice::kFailed;
    CNoticeQueue* owner = m_owner;
    std::string error = ErrorText();
    m_owner = nullptr;
    m_result = 0;
    m_stop = true;
    m_finished = true;
    if (owner)
        owner->Post({kind, 0, std::move(error)});
}
