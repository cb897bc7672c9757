#pragma once

#include <string>
#include <string_view>

// Writes a ZIP archive entry by entry. Entries carry a fixed time stamp, so the
// same content always gives the same archive.
class CZipWriter {
public:
    CZipWriter() = default;
    CZipWriter(const CZipWriter&) = delete;
    CZipWriter& operator=(const CZipWriter&) = delete;
    ~CZipWriter();

    bool Create(const std::string& path);
    bool Add(std::string_view name, std::string_view data);
    // Finishes the archive; false when anything could not be written.
    bool Close();

private:
    void* m_zip = nullptr; // zipFile
    bool m_ok = true;
};
