#include "project/Album.h"

#include "base/OwnedList.h"
#include "base/Settings.h"
#include "project/AlbumGrp.h"
#include "project/Slide.h"

#include <algorithm>
#include <cmath>
#include <sstream>

const CRuntimeClass CAlbum::kRuntimeClass{"CAlbum", &CProjItem::kRuntimeClass, nullptr};

CAlbum::CAlbum()
    : m_transitionName(GetSetting(Settings::Effect)),
      m_transitionLength(GetSetting(Settings::EffDelay)),
      m_musicFadeOut(int(GetSetting(Settings::AudioFade))) {}

// Slides go before the music list.
CAlbum::~CAlbum() {
    m_slides.clear();
    m_music.clear();
}

CSlide* CAlbum::GetSlide(int index) const {
    return index >= 0 && index < int(m_slides.size()) ? m_slides[std::size_t(index)].get()
                                                     : nullptr;
}

double CAlbum::GetTransitionAfter(const CSlide* slide) const {
    int index = IndexOfSlide(slide);
    if (index >= 0 && index + 1 < int(m_slides.size()))
        return m_slides[std::size_t(index) + 1]->m_transitionLength;
    return m_transitionLength;
}

void CAlbum::GetSlides(std::vector<CSlide*>& slides) const {
    for (const auto& slide : m_slides)
        slides.push_back(slide.get());
}

int CAlbum::IndexOfSlide(const CSlide* slide) const {
    for (std::size_t i = 0; i < m_slides.size(); ++i)
        if (m_slides[i].get() == slide)
            return int(i);
    return -1;
}

double CAlbum::GetAlbumDuration() const {
    if (m_slides.empty())
        return 0.0;
    double total = 0.0;
    for (const auto& slide : m_slides)
        total += slide->m_displayTime + slide->m_transitionLength;
    return total + m_transitionLength;
}

bool CAlbum::CheckTimes(std::string& why) const {
    bool ok = true;
    // A duration is a finite number of seconds from 0 to kMaxDuration; an
    // offset (a caption's start, a sound's delay) may also lie before 0.
    auto check = [&](double value, const char* what, int slide, bool duration) {
        if (!ok || (std::isfinite(value) && value <= kMaxDuration &&
                    value >= (duration ? 0.0 : -kMaxDuration)))
            return;
        std::ostringstream text;
        if (slide >= 0)
            text << "slide " << slide + 1 << ": ";
        text << what << " of " << value << " s is outside 0 to " << kMaxDuration << " s";
        why = text.str();
        ok = false;
    };
    auto sound = [&](const CMusicFile& music, int slide) {
        check(music.GetStart(), "a sound's start", slide, true);
        check(music.GetLength(), "a sound's length", slide, true);
        check(music.m_fadeIn, "a sound's fade-in", slide, true);
        check(music.m_fadeOut, "a sound's fade-out", slide, true);
    };
    check(m_transitionLength, "the closing transition", -1, true);
    for (const CMusicFile& music : m_music)
        sound(music, -1);
    for (int i = 0; i < int(m_slides.size()) && ok; ++i) {
        const CSlide& slide = *m_slides[std::size_t(i)];
        check(slide.m_displayTime, "the display time", i, true);
        check(slide.m_transitionLength, "the transition", i, true);
        check(slide.m_soundDelay, "the sound's delay", i, false);
        check(slide.m_soundFadeIn, "the sound's fade-in", i, true);
        check(slide.m_soundFadeOut, "the sound's fade-out", i, true);
        sound(slide.m_sound, i);
        for (int c = 0; c < slide.GetCaptionCount(); ++c) {
            const CTextCaption& caption = *slide.GetCaption(c);
            check(caption.m_start, "a caption's start", i, false);
            check(caption.m_duration, "a caption's duration", i, true);
        }
        for (int k = 0; k < slide.GetItemCount(); ++k) {
            const CAlbumItem& item = *slide.GetItem(k);
            check(item.m_startOffset, "a clip's start", i, true);
            check(item.m_playLength, "a clip's length", i, true);
            check(item.m_extraTime, "a clip's extra time", i, false);
            check(item.m_fadeIn, "a clip's fade-in", i, true);
            check(item.m_fadeOut, "a clip's fade-out", i, true);
        }
    }
    if (ok && GetAlbumDuration() > kMaxDuration) {
        std::ostringstream text;
        text << "the album lasts " << GetAlbumDuration() << " s, more than the " << kMaxDuration
             << " s a video may last";
        why = text.str();
        ok = false;
    }
    return ok;
}

void CAlbum::GetClosingTransition(std::string& name, double& length) const {
    name = m_transitionName;
    length = m_transitionLength;
}

CSlide* CAlbum::AddSlide(const CSlide& slide, int position) {
    return AddSlide(slide.Clone(), position);
}

CSlide* CAlbum::AddSlide(std::unique_ptr<CSlide> slide, int position) {
    slide->SetContainer(this);
    slide->SetParent(this);
    return InsertOwned(m_slides, std::move(slide), position);
}

void CAlbum::ClearSlides() { m_slides.clear(); }

void CAlbum::CopyAlbumFrom(const CAlbum& other) {
    // Copying an album onto itself would destroy the slides it is about to clone.
    if (&other == this)
        return;
    m_name = other.m_name;
    m_shortName = other.m_shortName;
    m_customTitle = other.m_customTitle;
    m_customTitleFlag = other.m_customTitleFlag;
    m_transitionName = other.m_transitionName;
    m_transitionLength = other.m_transitionLength;
    m_group = other.m_group;
    m_musicFlags = other.m_musicFlags;
    m_musicFadeIn = other.m_musicFadeIn;
    m_musicFadeOut = other.m_musicFadeOut;
    m_musicVolume = other.m_musicVolume;
    m_picture = other.m_picture;
    m_extra = other.m_extra;
    m_music = other.m_music;
    ClearSlides();
    for (const auto& slide : other.m_slides)
        AddSlide(*slide);
}

void CAlbum::SetMusicVolume(int percent) { m_musicVolume = std::clamp(percent, 0, 100); }

const std::string& CAlbum::GetShortName() {
    m_shortName = CAlbumGrp::MakeShortName(m_name);
    return m_shortName;
}

std::string CAlbum::GetAlbumPicture() const {
    if (!m_picture.empty() || m_slides.empty())
        return m_picture;
    const CAlbumItem* main = m_slides.front()->GetMainItem();
    return main ? main->m_file : std::string();
}

void CAlbum::WalkFiles(CFileWalk& walk) {
    for (const auto& slide : m_slides)
        slide->WalkFiles(walk);
    for (CMusicFile& music : m_music)
        walk.OnSound(music);
    walk.OnPath(m_picture);
}
