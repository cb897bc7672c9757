#include "base/Folders.h"

#include "base/Settings.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir)
        return pw->pw_dir;
    return {};
}

namespace {

// Reads one entry of the XDG user-dirs file, for example
// XDG_PICTURES_DIR="$HOME/Pictures". Returns an empty string when absent.
std::string ReadXdgUserDir(const std::string& home, const char* name) {
    std::string config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/')
        config = xdg;
    else if (!home.empty())
        config = home + "/.config";
    else
        return {};

    std::ifstream in(config + "/user-dirs.dirs");
    std::string line, prefix = std::string(name) + "=";
    while (std::getline(in, line)) {
        if (line.compare(0, prefix.size(), prefix) != 0)
            continue;
        std::string value = line.substr(prefix.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (value.compare(0, 5, "$HOME") == 0)
            value = home + value.substr(5);
        if (!value.empty() && value.front() == '/')
            return value;
    }
    return {};
}

const char* SettingOf(int kind) {
    switch (kind) {
    case kFolderPictures: return Settings::UpathImg.name;
    case kFolderDocuments: return Settings::UpathProj.name;
    default: return nullptr;
    }
}

} // namespace

bool FolderExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

const std::string& GetProgramFolder() {
    static const std::string folder = [] {
        std::string exe(4096, '\0');
        ssize_t n = readlink("/proc/self/exe", exe.data(), exe.size() - 1);
        if (n <= 0)
            return std::string();
        exe.resize(std::size_t(n));
        std::size_t slash = exe.find_last_of('/');
        return slash == std::string::npos ? std::string() : exe.substr(0, slash + 1);
    }();
    return folder;
}

bool FindAppFolder(const std::string& programFolder, int kind, std::string& path) {
    path.clear();
    const char* beside = nullptr;
    std::string installed;
    switch (kind) {
    case kFolderPlugins:
        beside = "plugins/";
        installed = KV_INSTALL_PLUGINS_FROM_BIN "/";
        break;
    case kFolderHelp:
        beside = "help/";
        installed = KV_INSTALL_DATA_FROM_BIN "/help/";
        break;
    case kFolderDemo:
        // The build tree makes the demo template in samples/ beside bin/.
        beside = "../samples/";
        installed = KV_INSTALL_DATA_FROM_BIN "/";
        break;
    default: return false;
    }
    if (programFolder.empty())
        return false;
    // The executable's path has no links left (it comes from /proc/self/exe),
    // so "bin/.." can be resolved by its letters.
    const auto normal = [](const std::string& folder) {
        return std::filesystem::path(folder).lexically_normal().string();
    };
    path = normal(programFolder + beside);
    if (FolderExists(path))
        return true;
    const std::string other = normal(programFolder + installed);
    if (!FolderExists(other))
        return false;
    path = other;
    return true;
}

bool GetAppFolder(int kind, std::string& path) { return FindAppFolder(GetProgramFolder(), kind, path); }

bool GetUserFolder(int kind, std::string& path, bool useSetting) {
    path.clear();
    const char* setting = SettingOf(kind);
    if (!setting && kind != kFolderVideos)
        return false;
    std::string home = HomeFolder();
    path = ReadXdgUserDir(home, kind == kFolderPictures    ? "XDG_PICTURES_DIR"
                                : kind == kFolderDocuments ? "XDG_DOCUMENTS_DIR"
                                                           : "XDG_VIDEOS_DIR");
    if (path.empty() && !home.empty())
        path = home + (kind == kFolderPictures    ? "/Pictures"
                       : kind == kFolderDocuments ? "/Documents"
                                                  : "/Videos");
    if (useSetting && setting)
        path = GetSettingString(setting, path);
    return FolderExists(path);
}

void SetUserFolder(int kind, const std::string& path) {
    if (const char* setting = SettingOf(kind))
        SetSettingString(setting, path);
}
