#include "audio/AudioFilter.h"

#include <cmath>

std::int64_t RescaleFrames(std::int64_t frames, int oldRate, int newRate) {
    if (oldRate <= 0 || frames < 0)
        return frames;
    return std::int64_t(std::llround(double(frames) * newRate / oldRate));
}

bool IAudioFilter::Open() { return m_input && m_input->Open(); }

void IAudioFilter::Close() {
    if (m_input)
        m_input->Close();
}

void IAudioFilter::SetFormat(int rate, int channels, int bits) {
    int before = GetSampleRate();
    IAudioSrc::SetFormat(rate, channels, bits);
    if (m_input)
        m_input->SetFormat(rate, channels, bits);
    int after = GetSampleRate();
    if (after != before)
        OnRateChange(before, after);
}

int IAudioFilter::GetSampleRate() const {
    return m_input && !m_ownFormat ? m_input->GetSampleRate() : m_rate;
}
int IAudioFilter::GetChannels() const {
    return m_input && !m_ownFormat ? m_input->GetChannels() : m_channels;
}
int IAudioFilter::GetBitsPerSample() const {
    return m_input && !m_ownFormat ? m_input->GetBitsPerSample() : m_bits;
}
std::int64_t IAudioFilter::GetLength() { return m_input ? m_input->GetLength() : 0; }

std::int64_t IAudioFilter::Seek(std::int64_t position, int origin) {
    return m_input ? m_input->Seek(position, origin) : -1;
}

std::int64_t IAudioFilter::Tell() { return m_input ? m_input->Tell() : 0; }

const std::uint8_t* IAudioFilter::Read(int& count) {
    if (!m_input) {
        count = 0;
        return nullptr;
    }
    return m_input->Read(count);
}

void IAudioFilter::AddInput(IAudioSrc* source) {
    if (!source)
        return;
    source->SetFormat(m_rate, m_channels, m_bits);
    m_inputs.push_back(source);
    m_input = m_inputs.front();
}

void IAudioFilter::RemoveInputs() {
    m_inputs.clear();
    m_input = nullptr;
}

void IAudioFilter::OnRateChange(int, int) {}
