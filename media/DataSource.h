#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// Told how far a decoder has read, as a fraction of the source.
class IPLProgressNotification {
public:
    virtual void OnProgress(double part) = 0;

protected:
    ~IPLProgressNotification() = default;
};

// Bytes a decoder reads: a name, a total size and a read position. Every kind
// holds its bytes in memory (a file is mapped), so reading hands out pointers
// into them. Reading past the end raises code 11.
class PLDataSource {
public:
    PLDataSource(const PLDataSource&) = delete;
    PLDataSource& operator=(const PLDataSource&) = delete;
    virtual ~PLDataSource() = default;

    [[nodiscard]] const std::string& GetName() const { return m_name; }
    [[nodiscard]] std::size_t GetFileSize() const { return m_size; }
    [[nodiscard]] std::size_t GetCurPos() const { return m_pos; }
    [[nodiscard]] std::size_t GetBytesLeft() const { return m_size - m_pos; }
    void SetProgressNotification(IPLProgressNotification* sink) { m_progress = sink; }

    // The next n bytes; the position moves past them.
    const std::uint8_t* ReadNBytes(std::size_t n);
    // The next n bytes without moving (code 11 when fewer are left).
    [[nodiscard]] const std::uint8_t* GetBufferPtr(std::size_t n) const;
    // Up to n bytes from the current position without moving; count set to
    // what is there.
    [[nodiscard]] const std::uint8_t* Peek(std::size_t n, std::size_t& count) const;
    void Skip(std::size_t n) { ReadNBytes(n); }
    // Moves to an absolute position not past the end (code 11 otherwise).
    void Seek(std::size_t pos);
    std::uint8_t ReadByte() { return *ReadNBytes(1); }

protected:
    PLDataSource() = default;
    void SetData(const std::uint8_t* data, std::size_t size, std::string name) {
        m_data = data;
        m_size = size;
        m_pos = 0;
        m_name = std::move(name);
    }

private:
    void Advance(std::size_t to);

    const std::uint8_t* m_data = nullptr;
    std::size_t m_size = 0;
    std::size_t m_pos = 0;
    std::string m_name;
    IPLProgressNotification* m_progress = nullptr;
};

// A file read whole into memory (so it may change on disk meanwhile). Open
// raises code 3 when the path does not exist, 5 when access is denied, 10
// when the file is over kMaxFileBytes or memory runs out, 4 otherwise.
class PLFileSource : public PLDataSource {
public:
    static constexpr std::uint64_t kMaxFileBytes = 512ull << 20;

    PLFileSource() = default;
    ~PLFileSource() override { Close(); }
    void Open(const std::string& path);
    void Close();

private:
    std::unique_ptr<std::uint8_t[]> m_bytes;
};

// Bytes in memory, neither copied nor owned; named "Mem".
class PLMemSource : public PLDataSource {
public:
    PLMemSource() = default;
    void Open(const std::uint8_t* data, std::size_t size) { SetData(data, size, "Mem"); }
};

// A compiled-in resource: bytes registered by a module under a type and id.
// Open raises code 4 when nothing was registered under them.
class PLResourceSource : public PLDataSource {
public:
    static constexpr const char* kRawData = "RCDATA";

    PLResourceSource() = default;
    void Open(const void* module, int id, const char* type = nullptr);
    // Makes bytes (which must outlive every reader) a resource of a module.
    static void Register(const void* module, int id, const char* type, const std::uint8_t* data,
                         std::size_t size);
};
