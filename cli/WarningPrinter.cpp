#include "cli/WarningPrinter.h"

#include "cli/CliCommands.h"

#include <iostream>

CWarningPrinter::CWarningPrinter(std::function<std::string(const std::string&)> nameOf)
    : m_nameOf(std::move(nameOf)),
      m_scope([this](const std::string& file, const std::string& reason) { Add(file, reason); }) {}

void CWarningPrinter::Add(const std::string& file, const std::string& reason) {
    std::lock_guard lock(m_lock);
    if (m_seen.insert(file).second)
        m_pending.emplace_back(file, reason);
}

int CWarningPrinter::Flush(const char* before) {
    std::vector<std::pair<std::string, std::string>> pending;
    {
        std::lock_guard lock(m_lock);
        pending.swap(m_pending);
    }
    if (!pending.empty())
        std::cerr << before;
    for (const auto& [file, reason] : pending)
        std::cerr << "kelvclip-cli: warning: " << Printable(m_nameOf ? m_nameOf(file) : file)
                  << ": " << Printable(reason) << '\n';
    return int(pending.size());
}

int CWarningPrinter::Count() const {
    std::lock_guard lock(m_lock);
    return int(m_seen.size());
}
