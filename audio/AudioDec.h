#pragma once

#include "audio/AudioSrc.h"
#include "audio/FfmpegAudioReader.h"

#include <string>

// A decoder of one sound file: an audio source over the file's sound.
// OpenFile stores the path and opens it. Every decoder starts with the
// requested format 44100 Hz, 2 channels, 16 bits.
class CAudioDec : public IAudioSrc {
public:
    virtual bool OpenFile(const std::string& path);
    // Opens the file for its format and length only: the decoder then holds
    // none of the sound and reads nothing.
    virtual bool MeasureFile(const std::string& path);
    // Opening from now on keeps only the first seconds of the sound (at least
    // so many), for a source that is never read further: reads past them find
    // nothing, while the length stays the whole file's. Set before opening.
    void KeepOnly(double seconds) { m_keepSeconds = seconds; }
    [[nodiscard]] const std::string& GetPath() const { return m_path; }
    [[nodiscard]] const std::string& GetError() const { return m_error; }

    bool Open() override;
    void Close() override;
    [[nodiscard]] int GetSampleRate() const override { return m_reader.GetSampleRate(); }
    [[nodiscard]] int GetChannels() const override { return m_reader.GetChannels(); }
    [[nodiscard]] int GetBitsPerSample() const override { return m_reader.GetBitsPerSample(); }
    [[nodiscard]] std::int64_t GetLength() override { return m_reader.GetLength(); }
    // Origin 2 adds the position, origin 1 adds length - 1; the target is
    // clamped to 0 ... length - 1.
    std::int64_t Seek(std::int64_t position, int origin) override;
    [[nodiscard]] std::int64_t Tell() override { return m_position; }
    const std::uint8_t* Read(int& count) override;

protected:
    // The rate and width the decoder delivers; 0 keeps the file's own.
    [[nodiscard]] virtual int DeliveredRate() const { return 0; }
    [[nodiscard]] virtual int DeliveredBits() const { return 0; }
    // Opens the path keeping so many seconds of the sound's start (0: none).
    bool OpenKeeping(double seconds);

    std::string m_path;
    std::string m_error;
    CFfmpegAudioReader m_reader;
    std::int64_t m_position = 0;
    double m_keepSeconds = CFfmpegAudioReader::kAll;
};
