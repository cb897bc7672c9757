#pragma once

#include "audio/AudioSrc.h"

#include <vector>

// A source with inputs. Unless a filter says otherwise it passes everything
// through to its current input (the first one added) and delivers that
// input's format. Filters do not own their inputs.
class IAudioFilter : public IAudioSrc {
public:
    // Converters and containers deliver the requested format themselves
    // instead of their input's.
    explicit IAudioFilter(bool deliversRequestedFormat = false)
        : m_ownFormat(deliversRequestedFormat) {}

    bool Open() override;
    void Close() override;
    // Stores the format, passes it on to the current input and, when the rate
    // the filter reports changed, tells OnRateChange.
    void SetFormat(int rate, int channels, int bits) override;
    [[nodiscard]] int GetSampleRate() const override;
    [[nodiscard]] int GetChannels() const override;
    [[nodiscard]] int GetBitsPerSample() const override;
    [[nodiscard]] std::int64_t GetLength() override;
    std::int64_t Seek(std::int64_t position, int origin) override;
    [[nodiscard]] std::int64_t Tell() override;
    const std::uint8_t* Read(int& count) override;

    // Appends a source, gives it the filter's format; the first becomes current.
    virtual void AddInput(IAudioSrc* source);
    virtual void RemoveInputs();
    virtual void OnRateChange(int oldRate, int newRate);

protected:
    [[nodiscard]] IAudioSrc* Input() const { return m_input; }
    std::vector<IAudioSrc*> m_inputs;
    IAudioSrc* m_input = nullptr;

private:
    const bool m_ownFormat;
};

// Rescales a frame position from one rate to another, rounded.
std::int64_t RescaleFrames(std::int64_t frames, int oldRate, int newRate);
