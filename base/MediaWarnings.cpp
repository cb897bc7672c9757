#include "base/MediaWarnings.h"

#include <mutex>
#include <utility>

namespace {

std::mutex g_lock;
CMediaWarnings::Listener g_listener;

} // namespace

void CMediaWarnings::Report(const std::string& file, const std::string& reason) {
    if (file.empty())
        return;
    std::lock_guard lock(g_lock);
    if (g_listener)
        g_listener(file, reason);
}

CMediaWarnings::CScope::CScope(Listener listener) {
    std::lock_guard lock(g_lock);
    m_previous = std::exchange(g_listener, std::move(listener));
}

CMediaWarnings::CScope::~CScope() {
    std::lock_guard lock(g_lock);
    g_listener = std::move(m_previous);
}
