#include "project/Paths.h"

#include "project/TextCodec.h"

namespace Paths {

bool IsWindowsForm(std::string_view path) {
    bool drive = path.size() >= 2 && path[1] == ':' &&
                 ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
    return drive || path.find('\\') != std::string_view::npos;
}

std::string Key(std::string_view path) {
    if (!IsWindowsForm(path))
        return std::string(path);
    std::string key = TextCodec::FoldCase(path);
    for (char& c : key)
        if (c == '/')
            c = '\\';
    return key;
}

bool Equal(std::string_view a, std::string_view b) { return a == b || Key(a) == Key(b); }

std::string_view FileName(std::string_view path) {
    std::size_t sep = path.find_last_of("\\/");
    return sep == std::string_view::npos ? path : path.substr(sep + 1);
}

std::string_view Folder(std::string_view path) {
    std::size_t sep = path.find_last_of("\\/");
    return sep == std::string_view::npos ? std::string_view{} : path.substr(0, sep + 1);
}

std::string_view Extension(std::string_view path) {
    std::string_view name = FileName(path);
    std::size_t dot = name.find_last_of('.');
    return dot == std::string_view::npos ? std::string_view{} : name.substr(dot + 1);
}

bool HasExtension(std::string_view path, std::string_view list) {
    std::string ext = TextCodec::FoldCase(Extension(path));
    if (ext.empty())
        return false;
    while (!list.empty()) {
        std::size_t semi = list.find(';');
        if (TextCodec::FoldCase(list.substr(0, semi)) == ext)
            return true;
        list = semi == std::string_view::npos ? std::string_view{} : list.substr(semi + 1);
    }
    return false;
}

std::string NumberedName(const std::string& name, int number) {
    std::size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || dot == 0)
        return name + "-" + std::to_string(number);
    return name.substr(0, dot) + "-" + std::to_string(number) + name.substr(dot);
}

std::string ToEntryName(std::string_view path) {
    std::string name(path);
    for (char& c : name)
        if (c == '\\')
            c = '/';
    return name;
}

} // namespace Paths
