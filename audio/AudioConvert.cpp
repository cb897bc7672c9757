#include "audio/AudioConvert.h"

#include "audio/AudioSilence.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cstring>

namespace {

// Maps channels as the 16-bit path does: output channel c takes input channel
// c, or the first one when the input has fewer; nothing is mixed or attenuated.
bool SetChannelMap(SwrContext* swr, int inChannels, int outChannels) {
    std::vector<double> matrix(std::size_t(inChannels * outChannels), 0.0);
    for (int c = 0; c < outChannels; ++c)
        matrix[std::size_t(c * inChannels + (c < inChannels ? c : 0))] = 1.0;
    return swr_set_matrix(swr, matrix.data(), inChannels) >= 0;
}

} // namespace

CAudioConvert::CAudioConvert() : IAudioFilter(true) {}

CAudioConvert::~CAudioConvert() = default;

void CAudioConvert::AddInput(IAudioSrc* source) {
    IAudioFilter::AddInput(source);
    m_setUp = false;
}

bool CAudioConvert::PassThrough() const {
    return m_input && m_input->GetSampleRate() == m_rate && m_input->GetChannels() == m_channels &&
           m_input->GetBitsPerSample() == m_bits;
}

bool CAudioConvert::Open() {
    m_setUp = false;
    if (!IAudioFilter::Open())
        return false;
    ResetConversion();
    m_position = 0;
    return true;
}

bool CAudioConvert::OpenOrSilence(std::unique_ptr<CAudioSilence>& substitute) {
    if (Open())
        return true;
    std::int64_t length = m_input ? m_input->GetLength() : 0;
    substitute = std::make_unique<CAudioSilence>(length);
    substitute->SetFormat(m_rate, m_channels, m_bits);
    RemoveInputs();
    IAudioFilter::AddInput(substitute.get());
    substitute->SetFormat(m_rate, m_channels, m_bits);
    Open();
    return false;
}

bool CAudioConvert::OpenMembers(std::vector<std::unique_ptr<CAudioConvert>>& members,
                                std::vector<std::unique_ptr<CAudioSilence>>& silences) {
    bool any = false;
    for (auto& member : members) {
        std::unique_ptr<CAudioSilence> silence;
        any = member->OpenOrSilence(silence) || any;
        if (silence)
            silences.push_back(std::move(silence));
    }
    return any;
}

void CAudioConvert::Close() {
    IAudioFilter::Close();
    m_swr.reset();
    m_resamplers.clear();
    m_pending.clear();
    m_setUp = false;
}

void CAudioConvert::SetFormat(int rate, int channels, int bits) {
    // The requested format is this converter's output; its input keeps its own.
    IAudioSrc::SetFormat(rate, channels, bits);
    m_setUp = false;
}

std::int64_t CAudioConvert::GetLength() {
    if (!m_input)
        return 0;
    std::int64_t length = m_input->GetLength();
    int inRate = m_input->GetSampleRate();
    if (length < 0 || inRate <= 0)
        return length < 0 ? -1 : 0;
    return std::int64_t(double(length) / inRate * m_rate);
}

void CAudioConvert::ResetConversion() {
    m_pending.clear();
    m_inputEnded = false;
    m_failed = false;
    m_swr.reset();
    m_resamplers.clear();
    m_setUp = true;
    if (!m_input || PassThrough())
        return;
    int inRate = m_input->GetSampleRate(), inChannels = m_input->GetChannels();
    int inBits = m_input->GetBitsPerSample();
    if (inRate <= 0 || inChannels <= 0) {
        m_failed = true;
        return;
    }
    if (inBits == 16 && m_bits == 16) {
        m_resamplers.resize(std::size_t(inChannels));
        for (CResampler& r : m_resamplers)
            if (!r.Init(inRate, m_rate))
                m_failed = true;
        m_channelOut.assign(std::size_t(inChannels), {});
        return;
    }
    AVChannelLayout in{}, out{};
    av_channel_layout_default(&in, inChannels);
    av_channel_layout_default(&out, m_channels);
    auto format = [](int bits) { return bits == 8 ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16; };
    SwrContext* swr = nullptr;
    int rc = swr_alloc_set_opts2(&swr, &out, format(m_bits), m_rate, &in, format(inBits), inRate,
                                 0, nullptr);
    m_swr.reset(swr);
    av_channel_layout_uninit(&in);
    av_channel_layout_uninit(&out);
    if (rc < 0 || !SetChannelMap(m_swr.get(), inChannels, m_channels) || swr_init(m_swr.get()) < 0) {
        m_swr.reset();
        m_failed = true;
    }
}

std::int64_t CAudioConvert::Seek(std::int64_t position, int origin) {
    if (!m_input)
        return -1;
    if (origin == kFromCurrent)
        position += m_position;
    else if (origin == kFromEnd)
        position += GetLength() - 1;
    position = std::max<std::int64_t>(0, position);
    int inRate = m_input->GetSampleRate();
    std::int64_t target = std::int64_t(double(inRate) * position / m_rate + 0.5);
    std::int64_t reached = m_input->Seek(target, kFromStart);
    ResetConversion();
    if (reached < 0)
        return -1;
    m_position = std::int64_t(double(reached) * m_rate / inRate + 0.5);
    return m_position;
}

void CAudioConvert::Convert16(const std::uint8_t* data, int frames, int inChannels) {
    const auto* samples = reinterpret_cast<const std::int16_t*>(data);
    for (int c = 0; c < inChannels; ++c) {
        m_channelIn.resize(std::size_t(frames));
        for (int i = 0; i < frames; ++i)
            m_channelIn[std::size_t(i)] = samples[std::size_t(i) * inChannels + c];
        if (data)
            m_resamplers[std::size_t(c)].Process(m_channelIn.data(), m_channelIn.size(),
                                                 m_channelOut[std::size_t(c)]);
        else
            m_resamplers[std::size_t(c)].Flush(m_channelOut[std::size_t(c)]);
    }
    // Interleave what every channel has produced, mapping the channels.
    std::size_t ready = m_channelOut[0].size();
    for (const auto& out : m_channelOut)
        ready = std::min(ready, out.size());
    std::size_t old = m_pending.size();
    m_pending.resize(old + ready * std::size_t(m_channels) * 2);
    auto* dst = reinterpret_cast<std::int16_t*>(m_pending.data() + old);
    for (std::size_t i = 0; i < ready; ++i)
        for (int c = 0; c < m_channels; ++c)
            dst[i * std::size_t(m_channels) + std::size_t(c)] =
                m_channelOut[std::size_t(c < inChannels ? c : 0)][i];
    for (auto& out : m_channelOut)
        out.erase(out.begin(), out.begin() + std::ptrdiff_t(ready));
}

void CAudioConvert::ConvertOther(const std::uint8_t* data, int frames) {
    int room = swr_get_out_samples(m_swr.get(), frames);
    if (room <= 0)
        return;
    int blockAlign = m_bits / 8 * m_channels;
    std::size_t old = m_pending.size();
    m_pending.resize(old + std::size_t(room) * std::size_t(blockAlign));
    std::uint8_t* out = m_pending.data() + old;
    const std::uint8_t* in = data;
    int done = swr_convert(m_swr.get(), &out, room, data ? &in : nullptr, data ? frames : 0);
    m_pending.resize(old + std::size_t(std::max(0, done)) * std::size_t(blockAlign));
}

void CAudioConvert::FlushConversion() {
    if (m_swr)
        ConvertOther(nullptr, 0);
    else if (!m_resamplers.empty())
        Convert16(nullptr, 0, m_input->GetChannels());
}

bool CAudioConvert::Convert(int wanted) {
    if (m_inputEnded)
        return false;
    int inRate = m_input->GetSampleRate();
    int needed = int(double(inRate) * wanted / m_rate);
    int request = std::max(64, int(needed * 1.1));
    const std::uint8_t* data = m_input->Read(request);
    if (!data || request <= 0) {
        m_inputEnded = true;
        FlushConversion();
        return false;
    }
    if (m_swr)
        ConvertOther(data, request);
    else
        Convert16(data, request, m_input->GetChannels());
    return true;
}

const std::uint8_t* CAudioConvert::Read(int& count) {
    if (!m_input || count <= 0) {
        count = 0;
        return nullptr;
    }
    if (!m_setUp)
        ResetConversion();
    if (PassThrough()) {
        const std::uint8_t* data = m_input->Read(count);
        if (data)
            m_position += count;
        return data;
    }
    std::int64_t length = GetLength();
    if (length >= 0)
        count = int(std::min<std::int64_t>(count, length - m_position));
    if (count <= 0) {
        count = 0;
        return nullptr;
    }
    std::size_t blockAlign = std::size_t(GetBlockAlign());
    std::size_t want = std::size_t(count) * blockAlign;
    while (!m_failed && m_pending.size() < want && Convert(count - int(m_pending.size() / blockAlign)))
        ;
    if (m_pending.size() < want) {
        if (length >= 0) {
            // Up to the length the input promised, missing frames are silence.
            m_pending.resize(want, m_bits == 8 ? 0x80 : 0);
        } else {
            count = int(m_pending.size() / blockAlign);
            want = std::size_t(count) * blockAlign;
            if (count == 0)
                return nullptr;
        }
    }
    m_output.assign(m_pending.begin(), m_pending.begin() + std::ptrdiff_t(want));
    m_pending.erase(m_pending.begin(), m_pending.begin() + std::ptrdiff_t(want));
    m_position += count;
    return m_output.data();
}
