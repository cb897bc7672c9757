#pragma once

#include "encode/AsyncThread.h"

#include <string>

class IAudioSrc;
class IEncodeEngine;
class IVideoSrc;

// One encode in the background: the engine's Encode on the job's worker
// thread with the job itself as progress sink. The engine and the sources are
// borrowed and must outlive the job. The audio source is opened and closed by
// the owner, or with opensAudio by the worker itself, before and after the
// encode: opening decodes the sound, which takes a while for long music, and
// a window's thread should not wait for it. A sound that cannot be opened is
// left out, as the owner would.
class CEncoder final : public CAsyncThread {
public:
    explicit CEncoder(IEncodeEngine& engine) : m_engine(engine) {}
    ~CEncoder() override { Join(); }

    bool Begin(IVideoSrc* video, IAudioSrc* audio, const std::string& path, CNoticeQueue* owner,
               bool opensAudio = false);

protected:
    int Run() override;

private:
    IEncodeEngine& m_engine;
    IVideoSrc* m_video = nullptr;
    IAudioSrc* m_audio = nullptr;
    bool m_opensAudio = false;
    std::string m_path;
};
