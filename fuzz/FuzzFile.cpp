#include "fuzz/FuzzFile.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace kvfuzz {

CFuzzFile::CFuzzFile(const std::uint8_t* data, std::size_t size, const std::string& extension) {
    const char* dir = std::getenv("TMPDIR");
    std::string path = std::string(dir && *dir ? dir : "/tmp") + "/kv-fuzz-" +
                       std::to_string(getpid()) + "." + extension;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return;
    const bool written = std::fwrite(data, 1, size, file) == size;
    if (std::fclose(file) == 0 && written)
        m_path = path;
    else
        std::remove(path.c_str());
}

CFuzzFile::~CFuzzFile() {
    if (!m_path.empty())
        std::remove(m_path.c_str());
}

} // namespace kvfuzz
