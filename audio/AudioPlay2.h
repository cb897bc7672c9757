#pragma once

#include "base/Event.h"

#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

class CSoundDevice;
class IAudioSrc;

// Something that can be paused and resumed.
class CTaskPause {
public:
    virtual ~CTaskPause() = default;
    virtual void Pause() = 0;
    virtual void Resume() = 0;
};

// Told what the sound output does; every call may come from the pump thread.
class IAudioPlayListener {
public:
    virtual void OnPlayStarted() {}
    virtual void OnPlayStopped(int) {}
    virtual void OnPlayProgress(double) {}

protected:
    ~IAudioPlayListener() = default;
};

// Plays a sound source through the sound device: a two-second ring buffer
// whose play cursor the device's callback advances, refilled every 250 ms by
// a pump thread. The play position is what the preview clock follows.
class CAudioPlay2 final : public CTaskPause {
public:
    explicit CAudioPlay2(CSoundDevice& device, IAudioPlayListener* listener = nullptr);
    ~CAudioPlay2() override;

    // Opens the source and the device and fills the buffer; 0 when either
    // cannot be opened (the preview is then silent).
    int Open(IAudioSrc* source);
    int Start();
    // Stops playing; the parameter goes to the listener.
    void Stop(int parameter);
    // Moves the source and refills the buffer; 0 when the seek failed (the
    // source is then at its end).
    int Seek(double seconds);
    // The time being heard, in seconds; 0 when not playing.
    int Position(double* seconds);
    void Close();

    void Pause() override { Stop(1); }
    void Resume() override {}

    [[nodiscard]] bool IsOpen() const { return m_source != nullptr; }
    [[nodiscard]] bool IsPlaying() const;

    // Advances the play cursor as the device does when it takes bytes
    // (exposed for the device callback and for tests).
    void Consume(std::uint8_t* out, std::size_t bytes);
    // One refill step, as the pump thread runs it every 250 ms.
    void Pump();

private:
    void Fill();
    [[nodiscard]] std::size_t Pending() const; // bytes written but not played

    CSoundDevice& m_device;
    IAudioPlayListener* m_listener;
    IAudioSrc* m_source = nullptr;
    mutable std::mutex m_lock;
    std::vector<std::uint8_t> m_ring;
    std::size_t m_write = 0;
    std::size_t m_play = 0;
    int m_block = 0;
    int m_rate = 0;
    std::uint8_t m_silence = 0;
    bool m_playing = false;
    std::uint32_t m_deviceId = 0;
    std::thread m_pump;
    CEvent m_end{true, true};
};
