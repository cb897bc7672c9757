#include "encode/Encoder.h"

#include "encode/EncodeEngine.h"

bool CEncoder::Begin(IVideoSrc* video, IAudioSrc* audio, const std::string& path,
                     CNoticeQueue* owner, int message) {
    if (IsRunning())
        return false;
    m_video = video;
    m_audio = audio;
    m_path = path;
    SetMessage(message);
    return Start(owner);
}

int CEncoder::Run() {
    int r = m_engine.Encode(m_video, m_audio, m_path, this);
    m_result = r == IEncodeEngine::kDone || r == IEncodeEngine::kCancelled ? r
                                                                          : int(IEncodeEngine::kFailed);
    // The text is copied now: the engine may be gone when the owner reads it.
    SetErrorText(m_result == IEncodeEngine::kFailed ? m_engine.GetErrorText() : std::string());
    return 0;
}
