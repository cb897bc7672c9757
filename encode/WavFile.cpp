#include "encode/WavFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

void Put32(std::string& s, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        s.push_back(char((v >> (8 * i)) & 0xFF));
}
void Put16(std::string& s, std::uint32_t v) {
    s.push_back(char(v & 0xFF));
    s.push_back(char((v >> 8) & 0xFF));
}

// The RIFF sizes are 32-bit: longer data is announced as the most that fits.
std::uint32_t Clamp32(std::uint64_t v) { return std::uint32_t(std::min<std::uint64_t>(v, 0xFFFFFFFFu - 36)); }

} // namespace

CWavFile::~CWavFile() {
    if (m_file)
        std::fclose(m_file);
}

std::string CWavFile::Header(int rate, int channels, int bits, std::uint64_t dataBytes) {
    const int bytesPerSample = (bits + 7) / 8;
    const int blockAlign = channels * bytesPerSample;
    std::string h;
    h += "RIFF";
    Put32(h, Clamp32(dataBytes) + 36);
    h += "WAVEfmt ";
    Put32(h, 16);
    Put16(h, 1); // linear PCM
    Put16(h, std::uint32_t(channels));
    Put32(h, std::uint32_t(rate));
    Put32(h, std::uint32_t(rate * blockAlign));
    Put16(h, std::uint32_t(blockAlign));
    Put16(h, std::uint32_t(bytesPerSample * 8));
    h += "data";
    Put32(h, Clamp32(dataBytes));
    return h;
}

bool CWavFile::Fail(const char* what) {
    if (m_error.empty())
        m_error = std::string(what) + " \"" + m_path + "\": " + std::strerror(errno);
    return false;
}

bool CWavFile::Open(const std::string& path, int rate, int channels, int bits,
                    std::int64_t expectedFrames) {
    m_path = path;
    m_rate = rate;
    m_channels = channels;
    m_bits = bits;
    m_written = 0;
    m_file = std::fopen(path.c_str(), "wb");
    if (!m_file)
        return Fail("Cannot create");
    std::setvbuf(m_file, nullptr, _IOFBF, 64 * 1024);
    m_announced = expectedFrames > 0
                      ? std::uint64_t(expectedFrames) * std::uint64_t(channels * ((bits + 7) / 8))
                      : 0;
    std::string header = Header(rate, channels, bits, m_announced);
    if (std::fwrite(header.data(), 1, header.size(), m_file) != header.size())
        return Fail("Cannot write");
    return true;
}

bool CWavFile::Write(const std::uint8_t* data, std::size_t bytes) {
    if (!m_file)
        return false;
    if (std::fwrite(data, 1, bytes, m_file) != bytes)
        return Fail("Cannot write");
    m_written += bytes;
    return true;
}

bool CWavFile::Close() {
    if (!m_file)
        return m_error.empty();
    bool ok = m_error.empty();
    if (ok && m_written != m_announced) {
        std::string header = Header(m_rate, m_channels, m_bits, m_written);
        if (std::fseek(m_file, 0, SEEK_SET) != 0 ||
            std::fwrite(header.data(), 1, header.size(), m_file) != header.size())
            ok = Fail("Cannot write");
    }
    if (std::fflush(m_file) != 0)
        ok = Fail("Cannot write");
    if (std::fclose(m_file) != 0 && ok)
        ok = Fail("Cannot close");
    m_file = nullptr;
    return ok;
}
