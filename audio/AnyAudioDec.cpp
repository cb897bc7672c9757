#include "audio/AnyAudioDec.h"

#include "media/MediaKind.h"

CAnyAudioDec::EKind CAnyAudioDec::KindOf(const std::string& path) {
    const CMediaKind::SFacts facts = CMediaKind::Probe(path);
    if (facts.IsMovieContainer())
        return kMovie;
    if (facts.IsMpeg())
        return kMpeg;
    return kGeneral;
}

bool CAnyAudioDec::OpenFile(const std::string& path) {
    return Target(path).OpenFile(path);
}

bool CAnyAudioDec::MeasureFile(const std::string& path) {
    return Target(path).MeasureFile(path);
}

CAudioDec& CAnyAudioDec::Target(const std::string& path) {
    m_path = path;
    m_kind = KindOf(path);
    m_target = m_kind == kMovie ? static_cast<CAudioDec*>(&m_movie) : &m_fileFormat;
    m_target->SetFormat(m_rate, m_channels, m_bits);
    m_target->KeepOnly(m_keepSeconds);
    return *m_target;
}

void CAnyAudioDec::SetFormat(int rate, int channels, int bits) {
    CAudioDec::SetFormat(rate, channels, bits);
    m_target->SetFormat(rate, channels, bits);
}
