#pragma once

#include "audio/AudioDec.h"
#include "audio/QtAudioDec.h"

// Picks a decoder by the file's content and forwards every operation to it:
// ISO media files (MP4, MOV, M4A, 3GP) the movie reader, which delivers the
// requested format; MPEG streams, MPEG layer I/II sound and everything else
// a plain CAudioDec, which delivers the file's own rate and width. KindOf
// still tells the three kinds apart.
class CAnyAudioDec final : public CAudioDec {
public:
    enum EKind { kGeneral, kMpeg, kMovie };
    static EKind KindOf(const std::string& path);

    bool OpenFile(const std::string& path) override;
    bool MeasureFile(const std::string& path) override;
    bool Open() override { return m_target->Open(); }
    void Close() override { m_target->Close(); }
    void SetFormat(int rate, int channels, int bits) override;
    [[nodiscard]] int GetSampleRate() const override { return m_target->GetSampleRate(); }
    [[nodiscard]] int GetChannels() const override { return m_target->GetChannels(); }
    [[nodiscard]] int GetBitsPerSample() const override { return m_target->GetBitsPerSample(); }
    [[nodiscard]] std::int64_t GetLength() override { return m_target->GetLength(); }
    std::int64_t Seek(std::int64_t position, int origin) override {
        return m_target->Seek(position, origin);
    }
    [[nodiscard]] std::int64_t Tell() override { return m_target->Tell(); }
    const std::uint8_t* Read(int& count) override { return m_target->Read(count); }

    [[nodiscard]] EKind GetKind() const { return m_kind; }
    [[nodiscard]] const std::string& GetTargetError() const { return m_target->GetError(); }

private:
    // The decoder for the file's kind, chosen and given the requested format
    // and the part of the sound to keep.
    CAudioDec& Target(const std::string& path);

    // MPEG streams and every other sound file are read alike, in the file's
    // own rate and width; movies by the reader that converts.
    CAudioDec m_fileFormat;
    CQtAudioDec m_movie;
    CAudioDec* m_target = &m_fileFormat;
    EKind m_kind = kGeneral;
};
