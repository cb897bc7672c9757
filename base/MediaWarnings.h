#pragma once

#include <functional>
#include <string>

// Problems with media files that rendering works around instead of failing: a
// picture that cannot be decoded shows as a black slide, a sound that cannot
// be decoded or is missing plays as silence. The places that fall back report
// the file and the reason here; a front end that wants to tell the user
// installs a listener for the time of its job. Without a listener reports are
// dropped.
//
// Reports may come from any thread; the listener is called under a lock, one
// report at a time, and must not report itself.
class CMediaWarnings {
public:
    using Listener = std::function<void(const std::string& file, const std::string& reason)>;

    // Reports a problem with a file (ignored when file is empty: an empty
    // reference is no file and was reported where it was emptied).
    static void Report(const std::string& file, const std::string& reason);

    // Installs a listener while it lives; the previous one returns afterwards.
    class CScope {
    public:
        explicit CScope(Listener listener);
        CScope(const CScope&) = delete;
        CScope& operator=(const CScope&) = delete;
        ~CScope();

    private:
        Listener m_previous;
    };
};
