#include "audio/AlbumAudioSrc.h"

#include "audio/AudioCrop.h"
#include "audio/AudioFade.h"
#include "audio/AudioLoop.h"
#include "audio/AudioSeq.h"
#include "audio/AudioSilence.h"
#include "audio/MusicFileSrc.h"
#include "base/MediaWarnings.h"
#include "media/MediaFacts.h"
#include "project/AlbumItem.h"
#include "project/Album.h"
#include "project/Slide.h"

#include <algorithm>

CAlbumAudioSrc::CAlbumAudioSrc(int rate, int channels, int bits) {
    IAudioSrc::SetFormat(rate, channels, bits);
}

CAlbumAudioSrc::~CAlbumAudioSrc() { Clear(); }

template <class T, class... Args>
T* CAlbumAudioSrc::Make(Args&&... args) {
    auto object = std::make_unique<T>(std::forward<Args>(args)...);
    object->SetFormat(m_rate, m_channels, m_bits);
    T* raw = object.get();
    m_owned.push_back(std::move(object));
    return raw;
}

void CAlbumAudioSrc::Clear() {
    Close();
    RemoveInputs();
    // Filters before the sources they read, the last made first.
    while (!m_owned.empty())
        m_owned.pop_back();
    m_music.clear();
}

bool CAlbumAudioSrc::SEnvelope::ValueAt(double time, double& gain) const {
    if (!(time > t[0] && time < t[3]))
        return false;
    for (int i = 0; i < 3; ++i) {
        if (time <= t[i + 1]) {
            double span = t[i + 1] - t[i];
            gain = span > 0 ? g[i] + (time - t[i]) * (g[i + 1] - g[i]) / span : g[i + 1];
            return true;
        }
    }
    gain = g[3];
    return true;
}

void CAlbumAudioSrc::MergeEnvelopes(std::vector<SEnvelope>& envelopes) {
    for (std::size_t p = 0; p < envelopes.size(); ++p)
        for (std::size_t q = 0; q < envelopes.size(); ++q) {
            if (p == q)
                continue;
            SEnvelope& mine = envelopes[p];
            for (int i = 0; i < 4; ++i) {
                double other;
                if (envelopes[q].ValueAt(mine.t[i], other) && mine.g[i] > other)
                    mine.g[i] = other;
            }
        }
}

// A sound that cannot be decoded plays as silence; the user hears of it.
void CAlbumAudioSrc::ReportUnusable(const CMusicFile& sound) {
    const std::string& path = sound.GetPath();
    if (path.empty() || sound.IsOpened())
        return;
    // Decoder messages start with the file's name, which the report carries.
    std::string reason = sound.GetError();
    if (reason.compare(0, path.size() + 2, path + ": ") == 0)
        reason.erase(0, path.size() + 2);
    CMediaWarnings::Report(path,
                           reason.empty() ? "cannot be decoded" : "cannot be decoded: " + reason);
}

void CAlbumAudioSrc::Build(const CAlbum& album) {
    Clear();
    bool hasSound = false;
    const double duration = album.GetAlbumDuration();
    const double musicGain = album.GetMusicVolume() / 100.0;
    CAudioFade* musicFade = nullptr;

    if (!album.m_music.empty()) {
        hasSound = true;
        auto* sequence = Make<CAudioSeq>();
        const bool repeat = (album.m_musicFlags & CAlbum::kMusicRepeat) != 0;
        double entryStart = 0;
        for (const CMusicFile& entry : album.m_music) {
            ReportUnusable(entry);
            m_music.push_back(std::make_unique<CMusicFile::XAudioSrc>(entry));
            // Played once, an entry is heard only until the album ends: its
            // decoder keeps no more of a long file than that.
            if (!repeat) {
                m_music.back()->LimitPlay(std::max(0.0, duration - entryStart));
                entryStart += m_music.back()->GetDuration();
            }
            sequence->AddInput(m_music.back().get());
        }
        IAudioFilter* length;
        if (repeat) {
            auto* loop = Make<CAudioLoop>();
            loop->AddInput(sequence);
            loop->SetTotalLength(duration);
            length = loop;
        } else {
            auto* crop = Make<CAudioCrop>();
            crop->AddInput(sequence);
            crop->SetRange(0, duration);
            length = crop;
        }
        musicFade = Make<CAudioFade>(musicGain, musicGain);
        musicFade->AddInput(length);
        if (album.m_musicFlags & CAlbum::kMusicFade) {
            double half = duration / 2;
            double fadeIn = album.m_musicFadeIn, fadeOut = album.m_musicFadeOut;
            if (fadeIn > 0)
                musicFade->AddKey(std::min(fadeIn, half), musicGain);
            musicFade->SetGains(fadeIn > 0 ? 0 : musicGain, fadeOut > 0 ? 0 : musicGain);
            if (fadeOut > 0)
                musicFade->AddKey(duration - std::min(fadeOut, half), musicGain);
        }
        AddSource(musicFade, 0.0);
    }

    std::vector<SEnvelope> envelopes;
    double slideStart = 0;
    for (int i = 0; i < album.GetSlideCount(); ++i) {
        const CSlide& slide = *album.GetSlide(i);
        CSlide::SSound sound = slide.GetSlideSound();
        double displayTime, transitionLength;
        slide.GetSlideTimes(displayTime, transitionLength);
        // A clip without a sound track of its own plays silent, which is no
        // fault worth a warning; a sound file chosen for the slide is.
        const CAlbumItem* item = slide.GetMainItem();
        const bool ownTrack = item && item->GetKind() == CAlbumItem::kVideo &&
                              sound.m_file.GetPath() == item->m_file;
        if (!ownTrack || sound.m_file.IsOpened() || CMediaFacts::VideoHasSound(item->m_file))
            ReportUnusable(sound.m_file);
        if (!sound.m_file.GetPath().empty() && sound.m_file.IsOpened()) {
            hasSound = true;
            m_music.push_back(std::make_unique<CMusicFile::XAudioSrc>(sound.m_file));
            IAudioSrc* source = m_music.back().get();
            source->SetFormat(m_rate, m_channels, m_bits);
            double length = source->GetDuration();
            double delay = slide.m_soundDelay;
            double allowed = slide.m_soundToAlbumEnd ? duration - slideStart : slide.GetSlideTotal();
            bool leftOut = false;
            if (length + delay > allowed) {
                length = allowed - delay;
                if (length <= 0) {
                    leftOut = true;
                } else {
                    m_music.back()->LimitPlay(length);
                    auto* crop = Make<CAudioCrop>();
                    crop->AddInput(source);
                    crop->SetRange(0, length);
                    source = crop;
                }
            }
            if (!leftOut) {
                double v = sound.m_volume, fi = sound.m_fadeIn, fo = sound.m_fadeOut;
                if (!(v == 1.0 && fi == 0 && fo == 0)) {
                    auto* fade = Make<CAudioFade>(fi > 0 ? 0.0 : v, fo > 0 ? 0.0 : v);
                    fade->AddInput(source);
                    double hh = length / 2;
                    if (std::min(fi, hh) > 0)
                        fade->AddKey(std::min(fi, hh), v);
                    if (std::min(fo, hh) > 0)
                        fade->AddKey(length - std::min(fo, hh), v);
                    source = fade;
                }
                double duck = slide.m_musicLevel * musicGain;
                if (musicFade && musicGain > duck) {
                    double t0 = slideStart + delay, t3 = t0 + length;
                    auto ramp = [length](double r) { return r <= 0 ? 0.1 : std::min(r, length / 2); };
                    double t1 = t0 + ramp(slide.m_musicLoweringRamp);
                    double t2 = t3 - ramp(slide.m_musicRestoreRamp);
                    auto clamp = [](double g) { return std::clamp(g, 0.0, 1.0); };
                    envelopes.push_back({{t0, t1, t2, t3},
                                         {clamp(musicGain), clamp(duck), clamp(duck),
                                          clamp(musicGain)}});
                }
                AddSource(source, slideStart + delay);
            }
        }
        slideStart += displayTime + transitionLength;
    }

    if (musicFade) {
        MergeEnvelopes(envelopes);
        for (const SEnvelope& envelope : envelopes)
            for (int k = 0; k < 4; ++k)
                musicFade->AddKey(envelope.t[k], envelope.g[k]);
    }
    if (hasSound) {
        double closing = std::min(1.0, duration);
        auto* silence = Make<CAudioSilence>(std::int64_t(closing * m_rate));
        AddSource(silence, duration - closing);
    }
}
