#include "project/ZipReader.h"

#include "base/InputFile.h"
#include "project/TextCodec.h"

#include <algorithm>
#include <unzip.h>

CZipReader::~CZipReader() { Close(); }

std::string CZipReader::NameKey(std::string_view name) {
    std::string key = TextCodec::FoldCase(name);
    for (char& c : key)
        if (c == '\\')
            c = '/';
    return key;
}

bool CZipReader::Open(const std::string& path) {
    Close();
    std::string why;
    if (!InputFile::Check(path, why))
        return false;
    unzFile zip = unzOpen64(path.c_str());
    if (!zip)
        return false;
    m_zip = zip;
    for (int rc = unzGoToFirstFile(zip); rc == UNZ_OK; rc = unzGoToNextFile(zip)) {
        unz_file_info64 info{};
        char name[1024];
        if (unzGetCurrentFileInfo64(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0) !=
            UNZ_OK)
            break;
        std::size_t length = std::min<std::size_t>(info.size_filename, sizeof name - 1);
        name[length] = '\0';
        // Names in ZIP files are UTF-8 when flag bit 11 says so, else the DOS
        // code page; both become UTF-8 here.
        std::string entryName(name, length);
        if (!(info.flag & (1u << 11)))
            entryName = TextCodec::FromCp1252(entryName);
        unz64_file_pos position{};
        unzGetFilePos64(zip, &position);
        m_entries.push_back({std::move(entryName), info.uncompressed_size,
                             position.pos_in_zip_directory, position.num_of_file});
    }
    return true;
}

void CZipReader::Close() {
    if (m_zip)
        unzClose(static_cast<unzFile>(m_zip));
    m_zip = nullptr;
    m_entries.clear();
}

const CZipReader::SEntry* CZipReader::Find(std::string_view name) const {
    std::string key = NameKey(name);
    for (const SEntry& entry : m_entries)
        if (NameKey(entry.name) == key)
            return &entry;
    return nullptr;
}

bool CZipReader::ReadTo(std::string_view name, std::uint64_t cap,
                        const std::function<bool(const std::uint8_t*, std::size_t)>& sink,
                        std::string& error) {
    auto zip = static_cast<unzFile>(m_zip);
    const SEntry* entry = Find(name);
    if (!zip || !entry) {
        error = "no entry " + std::string(name);
        return false;
    }
    if (entry->size > cap) {
        error = "entry " + entry->name + " is too large";
        return false;
    }
    // Position on the very entry found above: names may repeat in another case.
    unz64_file_pos position{entry->directoryOffset, entry->index};
    if (unzGoToFilePos64(zip, &position) != UNZ_OK || unzOpenCurrentFile(zip) != UNZ_OK) {
        error = "cannot open entry " + entry->name;
        return false;
    }
    std::uint8_t buffer[64 * 1024];
    std::uint64_t total = 0;
    bool ok = true;
    for (;;) {
        int n = unzReadCurrentFile(zip, buffer, sizeof buffer);
        if (n < 0) {
            error = "entry " + entry->name + " is damaged";
            ok = false;
            break;
        }
        if (n == 0)
            break;
        total += std::uint64_t(n);
        if (total > entry->size) {
            error = "entry " + entry->name + " holds more data than its size says";
            ok = false;
            break;
        }
        if (!sink(buffer, std::size_t(n))) {
            error = "cannot store entry " + entry->name;
            ok = false;
            break;
        }
    }
    // Closing checks the CRC when the whole entry was read.
    int closed = unzCloseCurrentFile(zip);
    if (ok && total != entry->size) {
        error = "entry " + entry->name + " is shorter than its size says";
        ok = false;
    }
    if (ok && closed != UNZ_OK) {
        error = "entry " + entry->name + " fails its checksum";
        ok = false;
    }
    return ok;
}

bool CZipReader::Read(std::string_view name, std::vector<std::uint8_t>& data, std::string& error,
                      std::uint64_t cap) {
    data.clear();
    bool ok = ReadTo(name, cap,
                     [&](const std::uint8_t* bytes, std::size_t n) {
                         data.insert(data.end(), bytes, bytes + n);
                         return true;
                     },
                     error);
    if (!ok)
        data.clear();
    return ok;
}

bool CZipReader::ReadHead(std::string_view name, std::size_t count, std::vector<std::uint8_t>& data) {
    data.clear();
    std::string error;
    ReadTo(name, kMaxFileEntry,
           [&data, count](const std::uint8_t* bytes, std::size_t n) {
               data.insert(data.end(), bytes, bytes + std::min(n, count - data.size()));
               return data.size() < count;
           },
           error);
    // Stopping early reports a failure; what counts is what arrived.
    return !data.empty();
}
