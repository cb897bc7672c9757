#pragma once

#include <string>

// The private temporary folders the program makes for files it extracts. Each
// is registered while it exists, so that a signal ending the program can
// still remove them all. The folders are flat: they hold files, no folders.
namespace TempFolders {

// Makes a folder of mode 0700 under $TMPDIR (or /tmp) named
// "kelvclip-<tag>-XXXXXX" and registers it. Empty with why set on failure.
std::string Make(const std::string& tag, std::string& why);

// Removes the files in a registered folder and the folder, and forgets it.
void Remove(const std::string& folder);

// A single temporary file made elsewhere (a file written beside its final
// place and renamed there when complete): registered while it exists, so
// RemoveAll takes it too. Forget it once it was renamed or removed.
void AddFile(const std::string& file);
void ForgetFile(const std::string& file);

// Removes every registered folder and file; safe to call from any thread.
void RemoveAll();

} // namespace TempFolders
