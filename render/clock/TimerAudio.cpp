#include "render/clock/TimerAudio.h"

#include "audio/AudioPlay2.h"
#include "render/clock/TimerProcs.h"

CTimerAudio::CTimerAudio(CAudioPlay2* sound, bool repeat, ITimerNotify* notify)
    : CTimerRealtime(false, notify), m_sound(sound), m_repeat(repeat) {}

int CTimerAudio::SetFrame(int frame, int wait) {
    double rate = GetFrameRate();
    if (m_sound && m_sound->IsOpen() && rate > 0)
        m_sound->Seek(frame / rate);
    return CTimerRealtime::SetFrame(frame, wait);
}

int CTimerAudio::Start() {
    if (m_sound && m_sound->IsOpen())
        m_sound->Start();
    return CTimerRealtime::Start();
}

int CTimerAudio::Stop() {
    if (m_sound && m_sound->IsOpen())
        m_sound->Stop(1);
    return CTimerRealtime::Stop();
}

void CTimerAudio::Tick() {
    int ok;
    double position = 0;
    if (m_sound && m_sound->IsOpen() && m_sound->Position(&position)) {
        // The frame being heard; past the album's end it is the last frame.
        ok = CTimerRealtime::SetFrame(int(GetFrameRate() * position + 0.5), 0);
    } else {
        ok = Next();
    }
    if (!ok) {
        if (!m_repeat) {
            if (!m_ended) {
                m_ended = true;
                if (m_notify)
                    m_notify->OnEnd();
            }
            return;
        }
        SetFrame(0, 0);
        if (m_sound && m_sound->IsOpen() && !m_sound->IsPlaying())
            m_sound->Start();
    }
    m_ended = false;
    if (m_notify)
        m_notify->OnFrame(GetCurrentFrame(), GetFrameCount());
}
