#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <shared_mutex>
#include <string>
#include <string_view>

// The per-user settings file: an INI file of sections holding key=value lines.
//
// Render threads read settings while the user interface writes them, so every
// access is locked; reads share the lock. Each write merges the one changed key
// into what is on disk at that moment and replaces the file atomically (a temporary
// file in the same folder, flushed, then renamed over the old one), so a crash or a
// full disk never leaves a half-written file and a second process's keys survive.
//
// A missing, unreadable or oversized file reads as empty: every caller then gets
// its default. Lines that are not "key=value", "[section]" or comments are ignored.
//
// Values are stored as text with backslash escapes for characters the line format
// cannot hold: "\\" backslash, "\n" line feed, "\r" carriage return, "\t" tab and
// "\s" for a space at either end of the value (which would otherwise be trimmed).
class CSettingsStore {
public:
    // Case-insensitive key order: keys name values as the user sees them, and
    // "picdelay" typed by hand in the file must find "PicDelay".
    struct KeyLess {
        using is_transparent = void;
        bool operator()(std::string_view a, std::string_view b) const;
    };
    using Section = std::map<std::string, std::string, KeyLess>;
    using Sections = std::map<std::string, Section, KeyLess>;

    // The process-wide store used by the settings accessors.
    static CSettingsStore& Instance();

    // $KELVCLIP_CONFIG when set, else $XDG_CONFIG_HOME/Quintar/kelvclip.ini,
    // else ~/.config/Quintar/kelvclip.ini.
    static std::string DefaultPath();

    explicit CSettingsStore(std::string path = {});
    CSettingsStore(const CSettingsStore&) = delete;
    CSettingsStore& operator=(const CSettingsStore&) = delete;

    // Points the store at another file; it is read on the next access.
    void SetPath(std::string path);
    [[nodiscard]] std::string GetPath() const;

    [[nodiscard]] std::optional<std::string> Get(std::string_view section,
                                                 std::string_view key) const;
    // Stores the value in memory and on disk. Returns false when the file could not
    // be written (the value is still kept in memory for this process) or when the
    // key cannot be stored in the file format (empty, or holding '=', '[' or a line break).
    bool Set(std::string_view section, std::string_view key, std::string_view value);

    static Sections Parse(std::string_view text);
    static std::string Format(const Sections& sections);
    static std::string EscapeValue(std::string_view value);
    static std::string UnescapeValue(std::string_view text);

private:
    void EnsureLoaded() const;
    static std::optional<Sections> ReadFile(const std::string& path);
    static bool WriteFileAtomically(const std::string& path, const std::string& text);

    mutable std::shared_mutex m_mutex; // guards m_path, m_data, m_loaded
    std::mutex m_writeMutex;           // serialises file rewrites (taken before m_mutex)
    std::string m_path;
    mutable Sections m_data;
    mutable bool m_loaded = false;
};
