#include "audio/MusicFileSrc.h"

#include <algorithm>
#include <cstring>

bool CMusicFile::XAudioSrc::Open() {
    Close();
    if (Silent()) {
        m_open = true;
        return true;
    }
    m_decoder.SetFormat(m_rate, m_channels, m_bits);
    if (m_playLimit >= 0)
        m_decoder.KeepOnly(std::max(0.0, m_owner.GetStart()) + m_playLimit + 1.0);
    if (!m_decoder.OpenFile(m_owner.GetPath())) {
        Close();
        return false;
    }
    m_open = true;
    int rate = m_decoder.GetSampleRate();
    double start = m_owner.GetStart();
    std::int64_t length = m_decoder.GetLength();
    m_startFrame = start > 0 && start < double(length) / rate ? std::int64_t(rate * start) : 0;
    Seek(0, kFromStart);
    return true;
}

void CMusicFile::XAudioSrc::Close() {
    m_decoder.Close();
    m_open = false;
    m_startFrame = 0;
    m_silencePosition = 0;
    m_silence.clear();
}

int CMusicFile::XAudioSrc::GetSampleRate() const {
    if (Silent())
        return m_rate;
    return m_open ? m_decoder.GetSampleRate() : m_owner.GetFacts().sampleRate;
}

int CMusicFile::XAudioSrc::GetChannels() const {
    if (Silent())
        return m_channels;
    return m_open ? m_decoder.GetChannels() : m_owner.GetFacts().channels;
}

int CMusicFile::XAudioSrc::GetBitsPerSample() const {
    if (Silent())
        return m_bits;
    return m_open ? m_decoder.GetBitsPerSample() : m_owner.GetFacts().bitsPerSample;
}

std::int64_t CMusicFile::XAudioSrc::FileLength() const {
    if (m_open)
        return const_cast<CAnyAudioDec&>(m_decoder).GetLength();
    return m_owner.GetFacts().length;
}

std::int64_t CMusicFile::XAudioSrc::GetLength() {
    double playLength = m_owner.GetLength();
    if (Silent())
        return FramesAt(m_rate, playLength > 0 ? playLength : kDefaultSilence);
    int rate = GetSampleRate();
    std::int64_t file = FileLength();
    if (rate <= 0 || file <= 0)
        return 0;
    // Frames from the start offset on: a start offset shortens what is left.
    double start = m_owner.GetStart();
    std::int64_t startFrame = start > 0 && start < double(file) / rate ? std::int64_t(rate * start) : 0;
    std::int64_t left = file - startFrame;
    std::int64_t wanted = std::int64_t(rate * playLength);
    return wanted > 0 && wanted <= left ? wanted : left;
}

std::int64_t CMusicFile::XAudioSrc::Seek(std::int64_t position, int origin) {
    std::int64_t end = GetLength();
    std::int64_t current = Tell();
    if (origin == kFromCurrent)
        position += current;
    else if (origin == kFromEnd)
        position += end - 1;
    position = std::clamp<std::int64_t>(position, 0, std::max<std::int64_t>(0, end - 1));
    if (Silent()) {
        m_silencePosition = position;
        return position;
    }
    if (!m_open)
        return -1;
    return m_decoder.Seek(m_startFrame + position, kFromStart) - m_startFrame;
}

std::int64_t CMusicFile::XAudioSrc::Tell() {
    if (Silent())
        return m_silencePosition;
    return m_open ? m_decoder.Tell() - m_startFrame : 0;
}

const std::uint8_t* CMusicFile::XAudioSrc::Read(int& count) {
    if (!m_open) {
        count = 0;
        return nullptr;
    }
    std::int64_t position = Silent() ? m_silencePosition : m_decoder.Tell();
    std::int64_t limit = (Silent() ? 0 : m_startFrame) + GetLength();
    count = int(std::clamp<std::int64_t>(limit - position, 0, std::max(0, count)));
    if (count == 0)
        return nullptr;
    if (Silent()) {
        std::size_t bytes = std::size_t(count) * std::size_t(GetBlockAlign());
        m_silence.assign(bytes, m_bits <= 8 ? 0x80 : 0);
        m_silencePosition += count;
        return m_silence.data();
    }
    const std::uint8_t* data = m_decoder.Read(count);
    if (!data)
        return nullptr;
    // The decoder keeps the whole file: fade a copy, so a second reading of the
    // same frames is faded once too.
    m_block.assign(data, data + std::size_t(count) * std::size_t(GetBlockAlign()));
    ApplyFades(m_block.data(), position, count);
    return m_block.data();
}

// Gains fall and rise linearly over the fade lengths, each cut to half the
// length; frames outside the fades are left untouched.
void CMusicFile::XAudioSrc::ApplyFades(std::uint8_t* data, std::int64_t first, int count) {
    int rate = GetSampleRate();
    std::int64_t length = GetLength();
    std::int64_t fadeIn = std::min(FramesAt(rate, m_owner.m_fadeIn), length / 2);
    std::int64_t fadeOut = std::min(FramesAt(rate, m_owner.m_fadeOut), length / 2);
    if (fadeIn <= 0 && fadeOut <= 0)
        return;
    std::int64_t end = m_startFrame + length;
    int channels = GetChannels();
    bool eightBit = GetBitsPerSample() == 8;
    for (int i = 0; i < count; ++i) {
        std::int64_t p = first + i;
        double gain;
        if (fadeIn > 0 && p < m_startFrame + fadeIn)
            gain = double(p - m_startFrame) / double(fadeIn);
        else if (fadeOut > 0 && p >= end - fadeOut)
            gain = double(end - p) / double(fadeOut);
        else
            continue;
        if (eightBit) {
            std::uint8_t* s = data + std::size_t(i) * channels;
            for (int c = 0; c < channels; ++c)
                s[c] = ScaleSample8(s[c], gain);
        } else {
            auto* s = reinterpret_cast<std::int16_t*>(data) + std::size_t(i) * channels;
            for (int c = 0; c < channels; ++c)
                s[c] = ScaleSample16(s[c], gain);
        }
    }
}
