#pragma once

#include <string>

// Opening files that come from outside (templates, pictures, sounds, settings)
// safely: a FIFO or a device must never block the program or feed it endless
// data, so inputs are opened without blocking and accepted only when they are
// regular files.
namespace InputFile {

// Opens a regular file for reading (close-on-exec, blocking reads once open).
// Returns the descriptor, or -1 with why set to a short reason: "does not
// exist", "is a directory", "is not a regular file", or the system's text.
int Open(const std::string& path, std::string& why);

// Reads a whole regular file into bytes; false with why set as for Open, or
// to the system's text when reading fails.
bool Read(const std::string& path, std::string& bytes, std::string& why);

// Whether the path names a regular file that can be opened for reading; why
// as for Open.
bool Check(const std::string& path, std::string& why);

} // namespace InputFile
