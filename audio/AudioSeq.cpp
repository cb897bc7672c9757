#include "audio/AudioSeq.h"

#include "audio/AudioConvert.h"
#include "audio/AudioSilence.h"

#include <algorithm>
#include <cstring>

CAudioSeq::CAudioSeq() : IAudioFilter(true) {}
CAudioSeq::~CAudioSeq() = default;

void CAudioSeq::AddInput(IAudioSrc* source) {
    if (!source)
        return;
    auto member = std::make_unique<CAudioConvert>();
    member->SetFormat(m_rate, m_channels, m_bits);
    member->AddInput(source);
    m_inputs.push_back(member.get());
    m_input = m_inputs.front();
    m_members.push_back(std::move(member));
}

void CAudioSeq::RemoveInputs() {
    IAudioFilter::RemoveInputs();
    m_members.clear();
    m_silences.clear();
}

void CAudioSeq::SetFormat(int rate, int channels, int bits) {
    IAudioSrc::SetFormat(rate, channels, bits);
    for (auto& member : m_members)
        member->SetFormat(rate, channels, bits);
}

bool CAudioSeq::Open() {
    bool any = CAudioConvert::OpenMembers(m_members, m_silences);
    if (any)
        Seek(0, kFromStart);
    return any;
}

void CAudioSeq::Close() {
    for (auto& member : m_members)
        member->Close();
}

std::int64_t CAudioSeq::GetLength() {
    std::int64_t total = 0;
    for (auto& member : m_members) {
        std::int64_t length = member->GetLength();
        if (length < 0)
            return -1;
        total += length;
    }
    return total;
}

std::int64_t CAudioSeq::Seek(std::int64_t position, int origin) {
    std::int64_t total = GetLength();
    if (origin == kFromCurrent)
        position += m_position;
    else if (origin == kFromEnd)
        position += total - 1;
    position = std::max<std::int64_t>(0, position);
    if (total >= 0)
        position = std::min(position, total);
    std::int64_t start = 0;
    for (std::size_t i = 0; i < m_members.size(); ++i) {
        std::int64_t length = m_members[i]->GetLength();
        if (length < 0 || start + length > position) {
            std::int64_t reached = m_members[i]->Seek(position - start, kFromStart);
            if (reached < 0)
                return -1;
            m_current = i;
            m_position = start + reached;
            return m_position;
        }
        start += length;
    }
    // At the very end.
    m_current = m_members.size();
    m_position = start;
    return m_members.empty() ? -1 : m_position;
}

const std::uint8_t* CAudioSeq::Read(int& count) {
    int wanted = std::max(0, count);
    count = 0;
    if (wanted == 0 || m_current >= m_members.size())
        return nullptr;
    int got = wanted;
    const std::uint8_t* data = m_members[m_current]->Read(got);
    if (data && got >= wanted) {
        count = got;
        m_position += got;
        return data;
    }
    // Short: gather from the following members.
    std::size_t blockAlign = std::size_t(GetBlockAlign());
    m_buffer.clear();
    while (true) {
        if (data && got > 0) {
            m_buffer.insert(m_buffer.end(), data, data + std::size_t(got) * blockAlign);
            count += got;
            m_position += got;
        }
        if (count >= wanted || ++m_current >= m_members.size())
            break;
        m_members[m_current]->Seek(0, kFromStart);
        got = wanted - count;
        data = m_members[m_current]->Read(got);
    }
    if (m_current >= m_members.size() && count < wanted)
        m_current = m_members.size();
    return count > 0 ? m_buffer.data() : nullptr;
}
