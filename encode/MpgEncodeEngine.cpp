#include "encode/MpgEncodeEngine.h"

void CMpgEncodeEngine::SetFormat(int format, int pal, int wide) {
    m_format = format;
    m_pal = pal;
    m_wide = wide;
}

void CMpgEncodeEngine::CopySettingsTo(CMpgEncodeEngine& other) const {
    other.SetFormat(m_format, m_pal, m_wide);
    other.SetAudioType(m_audioType);
    other.SetElementary(!m_multiplex);
    other.SetQuality(m_quality);
    other.SetCustomSize(m_customWidth, m_customHeight);
    other.SetThreads(m_threads);
}
