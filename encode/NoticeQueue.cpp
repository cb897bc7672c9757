#include "encode/NoticeQueue.h"

void CNoticeQueue::Post(SJobNotice notice) {
    {
        std::lock_guard lock(m_mutex);
        m_notices.push_back(std::move(notice));
    }
    m_ready.notify_one();
}

bool CNoticeQueue::Wait(SJobNotice& notice, std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    if (!m_ready.wait_for(lock, timeout, [this] { return !m_notices.empty(); }))
        return false;
    notice = std::move(m_notices.front());
    m_notices.pop_front();
    return true;
}

bool CNoticeQueue::TryPop(SJobNotice& notice) {
    std::lock_guard lock(m_mutex);
    if (m_notices.empty())
        return false;
    notice = std::move(m_notices.front());
    m_notices.pop_front();
    return true;
}
