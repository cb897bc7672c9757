#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kvfuzz {

// A file holding one input, for readers that open paths: made in $TMPDIR
// (or /tmp) under a name of this process with the given extension, removed
// when the object goes. Path() is empty when the file could not be written.
class CFuzzFile {
public:
    CFuzzFile(const std::uint8_t* data, std::size_t size, const std::string& extension);
    ~CFuzzFile();
    CFuzzFile(const CFuzzFile&) = delete;
    CFuzzFile& operator=(const CFuzzFile&) = delete;

    [[nodiscard]] const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

} // namespace kvfuzz
