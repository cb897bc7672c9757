#pragma once

#include <stdexcept>
#include <string>

// Raised while a project stream is read or written when the data cannot be
// what the format says (truncated, a bad tag, an unknown class, a count larger
// than the remaining bytes). Caught where a document is loaded.
class CArchiveException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
