#include "project/ZipWriter.h"

#include <zip.h>

#include <algorithm>

CZipWriter::~CZipWriter() { Close(); }

bool CZipWriter::Create(const std::string& path) {
    Close();
    m_zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    m_ok = m_zip != nullptr;
    return m_ok;
}

bool CZipWriter::Add(std::string_view name, std::string_view data) {
    auto zip = static_cast<zipFile>(m_zip);
    if (!zip)
        return false;
    zip_fileinfo info{};
    info.tmz_date.tm_year = 1980;
    info.tmz_date.tm_mday = 1;
    std::string entryName(name);
    // Flag bit 11: the name is UTF-8.
    bool ok = zipOpenNewFileInZip4_64(zip, entryName.c_str(), &info, nullptr, 0, nullptr, 0,
                                      nullptr, Z_DEFLATED, Z_DEFAULT_COMPRESSION, 0, -MAX_WBITS,
                                      DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY, nullptr, 0, 0, 1u << 11,
                                      data.size() >= 0xFFFFFFFFull) == ZIP_OK;
    // Write in pieces: the library takes unsigned int lengths.
    for (std::size_t done = 0; ok && done < data.size();) {
        unsigned piece = unsigned(std::min<std::size_t>(data.size() - done, 1u << 30));
        ok = zipWriteInFileInZip(zip, data.data() + done, piece) == ZIP_OK;
        done += piece;
    }
    ok = zipCloseFileInZip(zip) == ZIP_OK && ok;
    m_ok = m_ok && ok;
    return ok;
}

bool CZipWriter::Close() {
    if (!m_zip)
        return m_ok;
    bool ok = zipClose(static_cast<zipFile>(m_zip), nullptr) == ZIP_OK;
    m_zip = nullptr;
    m_ok = m_ok && ok;
    return m_ok;
}
