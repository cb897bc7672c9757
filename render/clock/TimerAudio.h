#pragma once

#include "render/clock/TimerRealtime.h"

class CAudioPlay2;

// The preview clock: a realtime clock that follows the sound being played,
// so the picture keeps with the music. Without sound it steps by itself.
class CTimerAudio final : public CTimerRealtime {
public:
    CTimerAudio(CAudioPlay2* sound, bool repeat, ITimerNotify* notify = nullptr);

    // Moves the sound to the frame's time too.
    int SetFrame(int frame, int wait) override;
    int Start() override;
    int Stop() override;
    void Tick() override;

private:
    CAudioPlay2* m_sound;
    bool m_repeat;
};
