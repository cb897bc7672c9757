#pragma once

#include "encode/AsyncThread.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class CIPC;
class IAudioSrc;
class IVideoSrc;

// The frame server: on a thread of its own it answers the requests of one
// client at a time over a CIPC channel with the frames of a video source (24
// bits per pixel, bottom row first) and the samples of an audio source. A
// client that leaves, dies or breaks the protocol is dropped and the next one
// may connect. While it serves it reports progress to the encode's sink after
// each frame and at every idle slice; a sink that answers "stop" cancels the
// serving.
class CFrameServe final : public CAsyncThread {
public:
    // The data area the server asks for; a frame larger than this gets a
    // larger one.
    static constexpr std::uint32_t kCapacity = 2000000;

    // Requests (little-endian words: type, first parameter, second parameter).
    enum ERequest : std::uint32_t { kVideoFrame = 0, kAudio = 1, kVideoInfo = 2, kAudioInfo = 3 };
    // Reply values.
    enum EReply : std::uint32_t {
        kReplyOk = 0,      // the data asked for (possibly none)
        kReplyNone = 1,    // the frame cannot be had, or the request is unknown
        kReplyRefused = 2, // the request broke the protocol; the client is dropped
    };
    static constexpr std::uint32_t kRequestSize = 12;
    static constexpr std::uint32_t kInfoSize = 32;

    CFrameServe();
    ~CFrameServe() override;

    // Creates the channel for the name (a label in messages) and starts the
    // serving thread. The sources and the sink are borrowed until Stop.
    // False with ErrorText set when the channel cannot be made.
    bool Begin(const std::string& name, IVideoSrc* video, IAudioSrc* audio, IProgress* progress);
    // The channel's object name, for the placeholder file.
    [[nodiscard]] std::string ChannelName() const;
    // Sets the stop flag and shuts the channel down.
    void Cancel() override;
    // Cancel, then waits for the thread to end.
    void Stop();

    // Whether the sink asked to stop while frames were served.
    [[nodiscard]] bool WasCancelled() const { return m_cancelled; }
    // Whether a client has connected since Begin.
    [[nodiscard]] bool HadClient() const { return m_hadClient; }
    [[nodiscard]] int FramesServed() const { return m_framesServed; }

protected:
    int Run() override;

private:
    // Answers one request; false when the client is to be dropped.
    bool Answer(const std::uint8_t* request, std::uint32_t length);
    bool SendFrame(std::uint32_t index);
    bool SendAudio(std::int32_t wanted);
    bool SendVideoInfo();
    bool SendAudioInfo();
    // Reports to the sink; false (and the cancelled flag) when it says stop.
    bool Report(int percent);

    std::unique_ptr<CIPC> m_ipc;
    std::string m_name;
    IVideoSrc* m_video = nullptr;
    IAudioSrc* m_audio = nullptr;
    IProgress* m_progress = nullptr;
    std::vector<std::uint8_t> m_request;
    int m_lastPercent = 0;
    mutable std::mutex m_ipcMutex; // guards m_ipc's lifetime against Cancel
    std::atomic<bool> m_cancelled{false};
    std::atomic<bool> m_hadClient{false};
    std::atomic<int> m_framesServed{0};
};
