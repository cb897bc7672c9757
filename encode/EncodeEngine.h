#pragma once

#include <string>

class IAudioSrc;
class IVideoSrc;

// Where an encode reports how far it got, and whether it should go on.
class IProgress {
public:
    virtual ~IProgress() = default;
    // percent 0 .. 100; false asks the encode to stop (it then closes its
    // output as an aborted file and returns kCancelled).
    virtual bool OnProgress(int percent) = 0;
    // An optional status line.
    virtual void OnStatus(const std::string& /*text*/) {}
};

// An encoder of one output format. Its format settings are its own setters,
// called before Encode.
class IEncodeEngine {
public:
    enum EResult : int { kDone = 0, kCancelled = 1, kFailed = 2 };

    virtual ~IEncodeEngine() = default;
    // Encodes every frame of video and, when audio is not null, its sound
    // (opened by the caller) into the file at path. Synchronous; the engine
    // owns none of the arguments. progress may be null.
    virtual int Encode(IVideoSrc* video, IAudioSrc* audio, const std::string& path,
                       IProgress* progress) = 0;
    // What the last failure was; valid until the next Encode.
    [[nodiscard]] virtual std::string GetErrorText() const = 0;
};
