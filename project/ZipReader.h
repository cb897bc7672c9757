#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Read access to a ZIP archive. Entry names use "/" as separator ("\" in a
// name asked for is taken as "/") and are matched without regard to case.
//
// Entry sizes come from the archive's directory and may lie: reads never
// allocate more than the data actually delivered, stop at a size cap, and fail
// when the data is longer or shorter than declared or its checksum is wrong.
// Not thread-safe: callers serialise access.
class CZipReader {
public:
    struct SEntry {
        std::string name;
        std::uint64_t size = 0; // uncompressed size as declared
        std::uint64_t directoryOffset = 0; // where the archive lists it
        std::uint64_t index = 0;
    };

    // The largest entry read into memory, and the largest one extracted to a file.
    static constexpr std::uint64_t kMaxMemoryEntry = 512ull << 20;
    static constexpr std::uint64_t kMaxFileEntry = 4ull << 30;

    CZipReader() = default;
    CZipReader(const CZipReader&) = delete;
    CZipReader& operator=(const CZipReader&) = delete;
    ~CZipReader();

    bool Open(const std::string& path);
    void Close();
    [[nodiscard]] bool IsOpen() const { return m_zip != nullptr; }

    // The entries in the archive's directory order.
    [[nodiscard]] const std::vector<SEntry>& Entries() const { return m_entries; }
    // The entry of that name, or null.
    [[nodiscard]] const SEntry* Find(std::string_view name) const;

    // Reads a whole entry of at most cap bytes into memory.
    bool Read(std::string_view name, std::vector<std::uint8_t>& data, std::string& error,
              std::uint64_t cap = kMaxMemoryEntry);
    // Streams an entry to a sink in pieces; the sink returns false to stop.
    bool ReadTo(std::string_view name, std::uint64_t cap,
                const std::function<bool(const std::uint8_t*, std::size_t)>& sink,
                std::string& error);

    // The first bytes of an entry (up to count; fewer when the entry is
    // shorter); false when it cannot be read.
    bool ReadHead(std::string_view name, std::size_t count, std::vector<std::uint8_t>& data);

    // The form names are compared in: "/" separators, case folded.
    static std::string NameKey(std::string_view name);

private:
    void* m_zip = nullptr; // unzFile
    std::vector<SEntry> m_entries;
};
