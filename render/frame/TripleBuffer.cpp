#include "render/frame/TripleBuffer.h"

#include <utility>

void CTripleBuffer::Publish() {
    std::lock_guard lock(m_mutex);
    std::swap(m_back, m_middle);
    m_fresh = true;
}

bool CTripleBuffer::Acquire() {
    std::lock_guard lock(m_mutex);
    if (m_fresh) {
        std::swap(m_front, m_middle);
        m_fresh = false;
    }
    return true;
}

int CTripleBuffer::Front() const {
    std::lock_guard lock(m_mutex);
    return m_front;
}

int CTripleBuffer::Back() const {
    std::lock_guard lock(m_mutex);
    return m_back;
}

bool CTripleBuffer::IsFresh() const {
    std::lock_guard lock(m_mutex);
    return m_fresh;
}
