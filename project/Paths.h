#pragma once

#include <map>
#include <set>
#include <string>
#include <string_view>

// Helpers for the file paths that projects refer to.
//
// Paths stored in projects keep their Windows form ("Z:\Files\a.jpg"); Windows
// treats them without regard to case and takes "/" as "\". Paths that the user
// picks on this system are POSIX paths, where case matters. A path counts as
// Windows form when it starts with a drive letter and a colon or holds a
// backslash; such paths compare with case folded and separators unified, POSIX
// paths compare exactly. Two paths are equal exactly when their keys are equal,
// so maps keyed through Less never hold two entries for one file.
namespace Paths {

[[nodiscard]] bool IsWindowsForm(std::string_view path);
// The comparison key: folded and with "\" as separator for Windows-form paths,
// the path itself otherwise.
[[nodiscard]] std::string Key(std::string_view path);
[[nodiscard]] bool Equal(std::string_view a, std::string_view b);

struct Less {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const { return Key(a) < Key(b); }
};

using PathMap = std::map<std::string, std::string, Less>;
using PathSet = std::set<std::string, Less>;

// The part after the last "\" or "/".
[[nodiscard]] std::string_view FileName(std::string_view path);
// The part up to and including the last "\" or "/"; empty when there is none.
[[nodiscard]] std::string_view Folder(std::string_view path);
// The extension of the file name without its dot; empty when there is none.
[[nodiscard]] std::string_view Extension(std::string_view path);
// Whether the extension is one of a ';'-separated list, ignoring case
// ("mp3;wav;mpa").
[[nodiscard]] bool HasExtension(std::string_view path, std::string_view list);

// A file name with a number before its extension: ("a.mp3", 2) gives "a-2.mp3".
[[nodiscard]] std::string NumberedName(const std::string& name, int number);

// The name of a package path inside a ZIP archive: "\" becomes "/"
// ("Files\a.jpg" names the entry "Files/a.jpg").
[[nodiscard]] std::string ToEntryName(std::string_view path);

} // namespace Paths
