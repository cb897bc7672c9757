#pragma once

#include "base/MediaWarnings.h"

#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <vector>

// Collects the media problems a command's rendering works around and prints
// each file once as "kelvclip-cli: warning: FILE: REASON". Reports may come
// from rendering threads; they are printed by Flush on the command's own
// thread, so they never cut into a progress line.
class CWarningPrinter {
public:
    // nameOf turns a reported path into the name the user knows (an extracted
    // file into its template entry); called by Flush.
    explicit CWarningPrinter(std::function<std::string(const std::string&)> nameOf = {});
    CWarningPrinter(const CWarningPrinter&) = delete;
    CWarningPrinter& operator=(const CWarningPrinter&) = delete;

    // Prints what arrived since the last call, with before printed first when
    // there is anything (a line break that ends an open progress line);
    // returns how many warnings it printed.
    int Flush(const char* before = "");
    // The number of distinct files reported so far.
    [[nodiscard]] int Count() const;

private:
    void Add(const std::string& file, const std::string& reason);

    std::function<std::string(const std::string&)> m_nameOf;
    mutable std::mutex m_lock;
    std::set<std::string> m_seen;
    std::vector<std::pair<std::string, std::string>> m_pending;
    CMediaWarnings::CScope m_scope;
};
