#pragma once

#include "audio/AnyAudioDec.h"
#include "project/MusicFile.h"

#include <vector>

// The sound of one music entry (a copy of it, so the source outlives changes
// to the album it came from): its file from the start offset for the play
// length, with the entry's fade-in and fade-out. An entry without a file is
// silence of its play length (60 seconds when none is set).
//
// Until it is opened the source answers from the facts the entry found when
// its file was last opened, so lengths are known before a tree is opened.
class CMusicFile::XAudioSrc final : public IAudioSrc {
public:
    explicit XAudioSrc(const CMusicFile& entry) : m_owner(entry) {}

    bool Open() override;
    void Close() override;
    [[nodiscard]] int GetSampleRate() const override;
    [[nodiscard]] int GetChannels() const override;
    [[nodiscard]] int GetBitsPerSample() const override;
    [[nodiscard]] std::int64_t GetLength() override;
    std::int64_t Seek(std::int64_t position, int origin) override;
    [[nodiscard]] std::int64_t Tell() override;
    const std::uint8_t* Read(int& count) override;
    // The source is read no further than so many seconds into its play: the
    // decoder keeps that much of the file (and a second more) and no more.
    // Set before opening.
    void LimitPlay(double seconds) { m_playLimit = seconds; }

    // Play length of an entry without a file when it sets none.
    static constexpr double kDefaultSilence = 60.0;

private:
    [[nodiscard]] bool Silent() const { return m_owner.GetPath().empty(); }
    // The file length in frames: the decoder's when open, else the facts'.
    [[nodiscard]] std::int64_t FileLength() const;
    void ApplyFades(std::uint8_t* data, std::int64_t first, int count);

    const CMusicFile m_owner;
    CAnyAudioDec m_decoder;
    bool m_open = false;
    std::int64_t m_startFrame = 0;
    double m_playLimit = -1; // none
    std::int64_t m_silencePosition = 0;
    std::vector<std::uint8_t> m_silence;
    std::vector<std::uint8_t> m_block;
};
