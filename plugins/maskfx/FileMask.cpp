#include "plugins/maskfx/FileMask.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

CFileMask::CFileMask(std::string path)
    : CMaskTransition(FileNameOf(path).c_str()), m_path(std::move(path)) {}

std::string CFileMask::FileNameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool CFileMask::DecodeMask() {
    std::error_code error;
    const auto size = std::filesystem::file_size(m_path, error);
    if (!error && size > kMaxFileSize) {
        m_failure = "The file is too large for a mask (" + std::to_string(size) + " bytes).";
        return false;
    }
    if (!error && size > 0)
        return CMaskTransition::DecodeMask();
    m_failure = error ? m_path + ": " + error.message() : m_path + ": the file is empty.";
    return false;
}

std::size_t CFileMask::MaskDataSize() {
    std::error_code error;
    const auto size = std::filesystem::file_size(m_path, error);
    return error ? 0 : std::size_t(size);
}

bool CFileMask::ReadMaskData(std::uint8_t* buffer, std::size_t size) {
    std::FILE* file = std::fopen(m_path.c_str(), "rb");
    if (!file)
        return false;
    const bool whole = std::fread(buffer, 1, size, file) == size;
    std::fclose(file);
    return whole;
}
