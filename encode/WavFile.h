#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// A linear PCM WAV file written straight to disk: the 44-byte header, then
// the samples. The header is written first with the expected length and is
// corrected on Close to what was really written, so a short, cancelled or
// failed file still tells its true length.
class CWavFile {
public:
    CWavFile() = default;
    CWavFile(const CWavFile&) = delete;
    CWavFile& operator=(const CWavFile&) = delete;
    ~CWavFile();

    // expectedFrames: the length announced in the header (-1: unknown).
    bool Open(const std::string& path, int rate, int channels, int bits,
              std::int64_t expectedFrames);
    bool Write(const std::uint8_t* data, std::size_t bytes);
    // Corrects the header and closes; false when the file could not be
    // finished.
    bool Close();

    [[nodiscard]] const std::string& GetError() const { return m_error; }
    [[nodiscard]] std::uint64_t DataBytes() const { return m_written; }

    // The 44-byte header for a data size in bytes.
    static std::string Header(int rate, int channels, int bits, std::uint64_t dataBytes);

private:
    bool Fail(const char* what);

    std::FILE* m_file = nullptr;
    std::string m_path;
    int m_rate = 0, m_channels = 0, m_bits = 0;
    std::uint64_t m_written = 0;
    std::uint64_t m_announced = 0;
    std::string m_error;
};
