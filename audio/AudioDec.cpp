#include "audio/AudioDec.h"

#include <algorithm>

bool CAudioDec::OpenFile(const std::string& path) {
    m_path = path;
    return Open();
}

bool CAudioDec::MeasureFile(const std::string& path) {
    m_path = path;
    return OpenKeeping(0);
}

bool CAudioDec::Open() { return OpenKeeping(m_keepSeconds); }

bool CAudioDec::OpenKeeping(double seconds) {
    Close();
    m_error.clear();
    if (m_path.empty()) {
        m_error = "no file";
        return false;
    }
    return m_reader.Open(m_path, m_error, DeliveredRate(), DeliveredBits(), seconds);
}

void CAudioDec::Close() {
    m_reader.Close();
    m_position = 0;
}

std::int64_t CAudioDec::Seek(std::int64_t position, int origin) {
    std::int64_t length = m_reader.GetLength();
    if (origin == kFromCurrent)
        position += m_position;
    else if (origin == kFromEnd)
        position += length - 1;
    m_position = std::clamp<std::int64_t>(position, 0, std::max<std::int64_t>(0, length - 1));
    return m_position;
}

const std::uint8_t* CAudioDec::Read(int& count) {
    // A measured file, or the part past what is kept, has no samples to give.
    std::int64_t left = m_reader.GetKeptLength() - m_position;
    if (count <= 0 || left <= 0) {
        count = 0;
        return nullptr;
    }
    std::uint8_t* data = m_reader.FrameAt(m_position);
    count = int(std::min<std::int64_t>(count, left));
    m_position += count;
    return data;
}
