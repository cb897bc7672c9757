#pragma once

#include "audio/AudioMix.h"
#include "audio/MusicFileSrc.h"

#include <memory>
#include <vector>

class CAlbum;

// The sound track of an album: its music, repeated or cut to the album's
// length, faded and set to the album's volume; every slide's sound at its
// slide's time, with the music lowered while it plays; and a closing silence
// so the track lasts the whole album.
class CAlbumAudioSrc final : public CAudioMix {
public:
    // The track's sample format unless the caller asks for another: CD sound.
    static constexpr int kDefaultRate = 44100, kDefaultChannels = 2, kDefaultBits = 16;

    explicit CAlbumAudioSrc(int rate = kDefaultRate, int channels = kDefaultChannels,
                            int bits = kDefaultBits);
    ~CAlbumAudioSrc() override;

    // Rebuilds the track from the album; a track of length 0 means the album
    // has no sound. Sound files that cannot be played are reported to
    // CMediaWarnings and play as silence.
    void Build(const CAlbum& album);
    // Removes every source and destroys what Build made.
    virtual void Clear();

    // A lowering of the music while a slide sound plays: four times on the
    // album's time line and the music gain at each.
    struct SEnvelope {
        double t[4];
        double g[4];
        // The gain strictly between t[0] and t[3]; false outside.
        bool ValueAt(double time, double& gain) const;
    };
    // Lowers each envelope's points to the others' values where they overlap,
    // so overlapping sounds leave the music at the lower level.
    static void MergeEnvelopes(std::vector<SEnvelope>& envelopes);
    static void ReportUnusable(const CMusicFile& sound);

private:
    template <class T, class... Args>
    T* Make(Args&&... args);

    std::vector<std::unique_ptr<IAudioSrc>> m_owned;
    std::vector<std::unique_ptr<CMusicFile::XAudioSrc>> m_music;
};
