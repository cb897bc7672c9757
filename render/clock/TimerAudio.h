#pragma once

#include "render/clock/TimerRealtime.h"

class CAudioPlay2;

// The preview clock: a realtime clock that follows the sound being played,
// so the picture keeps with the music. Without sound it steps by itself.
class CTimerAudio final : public CTimerRealtime {
public:
    CTimerAudio(CAudioPlay2* sound, bool repeat, ITimerNotify* notify = nullptr);

    // The sound to follow (null: none); changed only while the clock is
    // stopped, since the ticks read it.
    void SetSound(CAudioPlay2* sound) { m_sound = sound; }

    // Moves the sound to the frame's time too.
    int SetFrame(int frame, int wait) override;
    int Start() override;
    int Stop() override;
    void Tick() override;

private:
    CAudioPlay2* m_sound;
    bool m_repeat;
};
