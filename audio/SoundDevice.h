#pragma once

// The sound output device of the process (SDL2 audio). Without a sound card,
// or with SDL_AUDIODRIVER=dummy, SDL either offers a device that plays nothing
// or none at all; the preview is then silent and its clock steps by itself.
class CSoundDevice {
public:
    CSoundDevice();
    CSoundDevice(const CSoundDevice&) = delete;
    CSoundDevice& operator=(const CSoundDevice&) = delete;
    ~CSoundDevice();

    [[nodiscard]] bool IsAvailable() const { return m_available; }

private:
    bool m_available = false;
};
