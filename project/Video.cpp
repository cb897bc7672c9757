#include "project/Video.h"

namespace {
CObject* CreateVideo() { return new CVideo; }
} // namespace

const CRuntimeClass CVideo::kRuntimeClass{"CVideo", &CAlbumItem::kRuntimeClass, &CreateVideo};

double CVideo::GetDuration() const {
    return m_file.empty() ? 0.0 : IMediaProbe::Get().ProbeVideoDuration(m_file);
}

CMusicFile CVideo::GetSound() const {
    if (!m_sound.GetPath().empty() || m_noSoundTrack || m_file.empty())
        return m_sound;
    CMusicFile own(m_file);
    own.SetStartAndLength(m_startOffset, m_playLength);
    return own;
}
