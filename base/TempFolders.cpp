#include "base/TempFolders.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <mutex>
#include <set>
#include <unistd.h>

namespace {

std::mutex g_lock;
std::set<std::string> g_folders;
std::set<std::string> g_files;

void RemoveFolder(const std::string& folder) {
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* entry = readdir(dir)) {
            std::string name = entry->d_name;
            if (name != "." && name != "..")
                unlinkat(dirfd(dir), name.c_str(), 0);
        }
        closedir(dir);
    }
    rmdir(folder.c_str());
}

} // namespace

namespace TempFolders {

std::string Make(const std::string& tag, std::string& why) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern =
        std::string(tmp && *tmp == '/' ? tmp : "/tmp") + "/kelvclip-" + tag + "-XXXXXX";
    std::lock_guard lock(g_lock);
    if (!mkdtemp(pattern.data())) {
        why = pattern + ": " + std::strerror(errno);
        return {};
    }
    g_folders.insert(pattern);
    return pattern;
}

void Remove(const std::string& folder) {
    std::lock_guard lock(g_lock);
    if (g_folders.erase(folder))
        RemoveFolder(folder);
}

void AddFile(const std::string& file) {
    std::lock_guard lock(g_lock);
    g_files.insert(file);
}

void ForgetFile(const std::string& file) {
    std::lock_guard lock(g_lock);
    g_files.erase(file);
}

void RemoveAll() {
    std::lock_guard lock(g_lock);
    for (const std::string& folder : g_folders)
        RemoveFolder(folder);
    for (const std::string& file : g_files)
        unlink(file.c_str());
    g_folders.clear();
    g_files.clear();
}

} // namespace TempFolders
