#include "audio/AnyAudioDec.h"

#include "project/Paths.h"

CAnyAudioDec::EKind CAnyAudioDec::KindOf(const std::string& path) {
    if (Paths::HasExtension(path, "mov;mp4;m4v;3gp"))
        return kMovie;
    if (Paths::HasExtension(path, "mpg;mpeg") || Paths::HasExtension(path, "mpa;mp2;m2a"))
        return kMpeg;
    return kGeneral;
}

bool CAnyAudioDec::OpenFile(const std::string& path) {
    m_path = path;
    m_kind = KindOf(path);
    m_target = m_kind == kMovie ? static_cast<CAudioDec*>(&m_movie)
             : m_kind == kMpeg  ? static_cast<CAudioDec*>(&m_mpeg)
                                : static_cast<CAudioDec*>(&m_general);
    m_target->SetFormat(m_rate, m_channels, m_bits);
    return m_target->OpenFile(path);
}

void CAnyAudioDec::SetFormat(int rate, int channels, int bits) {
    CAudioDec::SetFormat(rate, channels, bits);
    m_target->SetFormat(rate, channels, bits);
}
