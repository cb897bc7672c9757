#include "base/SettingsStore.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A settings file is a few kilobytes; anything far larger is not ours.
constexpr std::size_t kMaxFileSize = 1 << 20;

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

std::string_view Trim(std::string_view s) {
    const char* ws = " \t\r\n\f\v";
    std::size_t b = s.find_first_not_of(ws);
    if (b == std::string_view::npos)
        return {};
    std::size_t e = s.find_last_not_of(ws);
    return s.substr(b, e - b + 1);
}

bool ValidKey(std::string_view key) {
    if (Trim(key).empty() || Trim(key) != key)
        return false;
    if (key.front() == '[' || key.front() == ';' || key.front() == '#')
        return false;
    return key.find_first_of("=\r\n") == std::string_view::npos;
}

bool MakeFolders(const std::string& folder) {
    if (folder.empty())
        return true;
    struct stat st {};
    if (stat(folder.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode);
    std::size_t slash = folder.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !MakeFolders(folder.substr(0, slash)))
        return false;
    return mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

} // namespace

bool CSettingsStore::KeyLess::operator()(std::string_view a, std::string_view b) const {
    std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        char ca = AsciiLower(a[i]), cb = AsciiLower(b[i]);
        if (ca != cb)
            return static_cast<unsigned char>(ca) < static_cast<unsigned char>(cb);
    }
    return a.size() < b.size();
}

CSettingsStore& CSettingsStore::Instance() {
    static CSettingsStore store(DefaultPath());
    return store;
}

std::string CSettingsStore::DefaultPath() {
    if (const char* env = std::getenv("KELVCLIP_CONFIG"); env && *env)
        return env;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/')
        return std::string(xdg) + "/Quintar/kelvclip.ini";
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::string(home) + "/.config/Quintar/kelvclip.ini";
    return {};
}

CSettingsStore::CSettingsStore(std::string path) : m_path(std::move(path)) {}

void CSettingsStore::SetPath(std::string path) {
    std::unique_lock lock(m_mutex);
    m_path = std::move(path);
    m_data.clear();
    m_loaded = false;
}

std::string CSettingsStore::GetPath() const {
    std::shared_lock lock(m_mutex);
    return m_path;
}

void CSettingsStore::EnsureLoaded() const {
    {
        std::shared_lock lock(m_mutex);
        if (m_loaded)
            return;
    }
    std::unique_lock lock(m_mutex);
    if (m_loaded)
        return;
    m_data = ReadFile(m_path).value_or(Sections{});
    m_loaded = true;
}

std::optional<std::string> CSettingsStore::Get(std::string_view section,
                                               std::string_view key) const {
    EnsureLoaded();
    std::shared_lock lock(m_mutex);
    auto s = m_data.find(section);
    if (s == m_data.end())
        return std::nullopt;
    auto v = s->second.find(key);
    if (v == s->second.end())
        return std::nullopt;
    return v->second;
}

bool CSettingsStore::Set(std::string_view section, std::string_view key, std::string_view value) {
    if (!ValidKey(key) || !ValidKey(section) || section.find(']') != std::string_view::npos)
        return false;
    EnsureLoaded();
    std::lock_guard writeLock(m_writeMutex);

    std::string path;
    {
        std::unique_lock lock(m_mutex);
        Section& s = m_data[std::string(section)];
        auto it = s.find(key);
        if (it != s.end())
            it->second = value;
        else
            s.emplace(std::string(key), std::string(value));
        path = m_path;
    }
    if (path.empty())
        return false;

    // Merge into the file's current contents so keys written meanwhile by another
    // process are kept; this process's own keys are the ones in memory.
    Sections merged = ReadFile(path).value_or(Sections{});
    {
        std::shared_lock lock(m_mutex);
        Section& target = merged[std::string(section)];
        auto it = target.find(key);
        if (it != target.end())
            target.erase(it);
        target.emplace(std::string(key), std::string(value));
    }
    if (!WriteFileAtomically(path, Format(merged)))
        return false;

    std::unique_lock lock(m_mutex);
    if (m_path == path)
        m_data = std::move(merged);
    return true;
}

std::optional<CSettingsStore::Sections> CSettingsStore::ReadFile(const std::string& path) {
    if (path.empty())
        return std::nullopt;
    // A FIFO or device put in the file's place is read as no file.
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return std::nullopt;
    std::string text;
    struct stat st {};
    bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    char buffer[8192];
    while (ok) {
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 || text.size() + std::size_t(n) > kMaxFileSize)
            ok = false;
        else if (n == 0)
            break;
        else
            text.append(buffer, std::size_t(n));
    }
    close(fd);
    if (!ok)
        return std::nullopt;
    return Parse(text);
}

bool CSettingsStore::WriteFileAtomically(const std::string& path, const std::string& text) {
    std::size_t slash = path.find_last_of('/');
    std::string folder = slash == std::string::npos ? std::string(".") : path.substr(0, slash);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (slash != std::string::npos && !MakeFolders(folder))
        return false;

    std::string temp = folder + "/." + name + ".XXXXXX";
    int fd = mkstemp(temp.data());
    if (fd < 0)
        return false;
    bool ok = true;
    std::size_t done = 0;
    while (ok && done < text.size()) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        if (ok)
            done += std::size_t(n);
    }
    ok = ok && fchmod(fd, 0600) == 0 && fsync(fd) == 0;
    ok = (close(fd) == 0) && ok;
    if (ok && rename(temp.c_str(), path.c_str()) == 0)
        return true;
    unlink(temp.c_str());
    return false;
}

CSettingsStore::Sections CSettingsStore::Parse(std::string_view text) {
    Sections sections;
    Section* current = nullptr;
    while (!text.empty()) {
        std::size_t eol = text.find('\n');
        std::string_view line = Trim(text.substr(0, eol));
        text = eol == std::string_view::npos ? std::string_view{} : text.substr(eol + 1);
        if (line.empty() || line.front() == ';' || line.front() == '#')
            continue;
        if (line.front() == '[') {
            std::size_t close = line.find(']');
            current = close == std::string_view::npos
                          ? nullptr
                          : &sections[std::string(Trim(line.substr(1, close - 1)))];
            continue;
        }
        std::size_t eq = line.find('=');
        if (!current || eq == std::string_view::npos)
            continue;
        std::string_view key = Trim(line.substr(0, eq));
        if (key.empty())
            continue;
        // A key repeated in the file: the last line wins, as a reader scanning
        // top to bottom would expect.
        (*current)[std::string(key)] = UnescapeValue(Trim(line.substr(eq + 1)));
    }
    return sections;
}

std::string CSettingsStore::Format(const Sections& sections) {
    std::string out;
    for (const auto& [name, keys] : sections) {
        if (!out.empty())
            out += '\n';
        out += '[' + name + "]\n";
        for (const auto& [key, value] : keys)
            out += key + '=' + EscapeValue(value) + '\n';
    }
    return out;
}

std::string CSettingsStore::EscapeValue(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        char c = value[i];
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case ' ':
            out += (i == 0 || i + 1 == value.size()) ? "\\s" : " ";
            break;
        default: out += c;
        }
    }
    return out;
}

std::string CSettingsStore::UnescapeValue(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c != '\\' || i + 1 == text.size()) {
            out += c;
            continue;
        }
        switch (char e = text[++i]) {
        case '\\': out += '\\'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 's': out += ' '; break;
        // Unknown escapes stay as written: a hand-typed "C:\Photos" keeps its backslash.
        default: out += '\\'; out += e;
        }
    }
    return out;
}
