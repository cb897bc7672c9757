#include "encode/FrameServe.h"

#include "audio/AudioSrc.h"
#include "base/ThreadName.h"
#include "encode/IPC.h"
#include "encode/VideoSrc.h"

#include <algorithm>
#include <bit>
#include <cstring>

static_assert(std::endian::native == std::endian::little,
              "the channel's words are little-endian and written as they lie in memory");

namespace {

// How long one wait for a client or a request lasts before the sink is asked
// whether to go on.
constexpr int kIdleMs = 250;

std::uint32_t Word(const std::uint8_t* bytes) {
    std::uint32_t w;
    std::memcpy(&w, bytes, 4);
    return w;
}

} // namespace

CFrameServe::CFrameServe() = default;

CFrameServe::~CFrameServe() { Stop(); }

bool CFrameServe::Begin(const std::string& name, IVideoSrc* video, IAudioSrc* audio,
                        IProgress* progress) {
    Stop();
    m_name = name;
    m_video = video;
    m_audio = audio;
    m_progress = progress;
    m_lastPercent = 0;
    m_cancelled = false;
    m_hadClient = false;
    m_framesServed = 0;
    std::uint32_t capacity = kCapacity;
    if (video) {
        int width = 0, height = 0;
        video->GetFrameSize(&width, &height);
        const std::uint64_t frame = std::uint64_t(std::max(width, 0)) * std::max(height, 0) * 3;
        if (frame > capacity && frame < std::uint64_t(1) << 31)
            capacity = std::uint32_t(frame);
    }
    {
        std::lock_guard lock(m_ipcMutex);
        m_ipc = std::make_unique<CIPC>(name, capacity, true);
        if (!m_ipc->Ok()) {
            SetErrorText(m_ipc->ErrorText());
            m_ipc.reset();
            return false;
        }
    }
    if (!Start(nullptr)) {
        std::lock_guard lock(m_ipcMutex);
        m_ipc.reset();
        SetErrorText("The frame server cannot be started");
        return false;
    }
    return true;
}

std::string CFrameServe::ChannelName() const {
    std::lock_guard lock(m_ipcMutex);
    return m_ipc ? m_ipc->ObjectName() : std::string();
}

void CFrameServe::Cancel() {
    CAsyncThread::Cancel();
    std::lock_guard lock(m_ipcMutex);
    if (m_ipc)
        m_ipc->Shutdown();
}

void CFrameServe::Stop() {
    Cancel();
    Join();
}

bool CFrameServe::Report(int percent) {
    m_lastPercent = percent;
    if (m_progress && !m_progress->OnProgress(percent)) {
        m_cancelled = true;
        m_ipc->Shutdown();
        return false;
    }
    return true;
}

int CFrameServe::Run() {
    SetThreadName("kv-frameserve");
    CIPC& ipc = *m_ipc;
    bool serving = true;
    while (serving && !StopRequested()) {
        const int connected = ipc.Connect(kIdleMs);
        if (connected < 0)
            break;
        if (connected == 0) {
            serving = Report(m_lastPercent);
            continue;
        }
        m_hadClient = true;
        // One client, until it leaves or breaks the protocol.
        for (;;) {
            std::uint32_t length = 0;
            const int value = ipc.ReceiveWith(kIdleMs, [&](const std::uint8_t* data,
                                                           std::uint32_t size, std::uint32_t) {
                length = size;
                m_request.assign(data, data + std::min(size, kRequestSize));
            });
            if (value == CIPC::kTimeout) {
                if (!Report(m_lastPercent)) {
                    serving = false;
                    break;
                }
                continue;
            }
            if (value == CIPC::kShutdown || value == CIPC::kFailed) {
                serving = false;
                break;
            }
            if (value < 0) {
                // Gone, or a message whose length lies about the data area.
                if (value == CIPC::kBadMessage)
                    ipc.DropClient();
                break;
            }
            if (!Answer(m_request.data(), length)) {
                ipc.DropClient();
                break;
            }
            if (m_cancelled) {
                serving = false;
                break;
            }
        }
    }
    std::lock_guard lock(m_ipcMutex);
    m_ipc.reset();
    m_result = m_cancelled ? 1 : 0;
    return 0;
}

bool CFrameServe::Answer(const std::uint8_t* request, std::uint32_t length) {
    if (length != kRequestSize) {
        m_ipc->Send(nullptr, 0, kReplyRefused);
        return false;
    }
    const std::uint32_t type = Word(request), first = Word(request + 4),
                        second = Word(request + 8);
    switch (type) {
    case kVideoFrame: {
        if (!SendFrame(first))
            return true;
        ++m_framesServed;
        const unsigned count = m_video ? m_video->GetFrameCount() : 0;
        if (count > 0)
            Report(int(std::uint64_t(first) * 100 / count));
        return true;
    }
    case kAudio:
        SendAudio(std::int32_t(second));
        return true;
    case kVideoInfo:
        SendVideoInfo();
        return true;
    case kAudioInfo:
        SendAudioInfo();
        return true;
    default:
        // An answer all the same, so a client never waits for one.
        m_ipc->Send(nullptr, 0, kReplyNone);
        return true;
    }
}

bool CFrameServe::SendFrame(std::uint32_t index) {
    auto none = [this] {
        m_ipc->Send(nullptr, 0, kReplyNone);
        return false;
    };
    if (!m_video || index >= m_video->GetFrameCount() || index > std::uint32_t(INT32_MAX))
        return none();
    int width = 0, height = 0, stride = 0;
    m_video->GetFrameSize(&width, &height);
    const int bits = m_video->GetBitsPerPixel();
    if (width <= 0 || height <= 0 || (bits != 32 && bits != 24))
        return none();
    const std::uint64_t bytes = std::uint64_t(width) * std::uint64_t(height) * 3;
    if (bytes > m_ipc->Capacity())
        return none();
    // Rendered outside the channel's mutex: the client waits for the reply
    // either way, and the lock is held only while the rows are copied.
    const std::uint8_t* pixels = m_video->GetFrame(int(index), &stride);
    if (!pixels)
        return none();
    const std::size_t step = std::size_t(stride < 0 ? -std::int64_t(stride) : stride);
    const std::size_t rowBytes = std::size_t(width) * 3;
    return m_ipc->SendWith(std::uint32_t(bytes), kReplyOk, [&](std::uint8_t* out) {
        // Bottom row first. A negative stride means the lowest-addressed
        // row is the bottom one; a positive one, the top one.
        for (int y = 0; y < height; ++y) {
            const std::uint8_t* row =
                stride < 0 ? pixels + std::size_t(y) * step : pixels + std::size_t(height - 1 - y) * step;
            if (bits == 24) {
                std::memcpy(out, row, rowBytes);
            } else {
                // The fourth byte of each pixel is dropped.
                for (int x = 0; x < width; ++x, row += 4, out += 3) {
                    out[0] = row[0];
                    out[1] = row[1];
                    out[2] = row[2];
                }
                continue;
            }
            out += rowBytes;
        }
    });
}

bool CFrameServe::SendAudio(std::int32_t wanted) {
    if (!m_audio || wanted <= 0)
        return m_ipc->Send(nullptr, 0, kReplyOk);
    const int align = m_audio->GetBlockAlign();
    if (align <= 0)
        return m_ipc->Send(nullptr, 0, kReplyOk);
    // No more than the data area holds, whatever was asked.
    int count = int(std::min<std::int64_t>(wanted, m_ipc->Capacity() / std::uint32_t(align)));
    const int asked = count;
    const std::uint8_t* data = m_audio->Read(count);
    if (!data || count <= 0)
        return m_ipc->Send(nullptr, 0, kReplyOk);
    count = std::min(count, asked);
    return m_ipc->Send(data, std::uint32_t(count) * std::uint32_t(align), kReplyOk);
}

bool CFrameServe::SendVideoInfo() {
    std::uint32_t info[8] = {kInfoSize, 0, 0, 25, 1, 0, 0, 24};
    if (m_video) {
        int width = 0, height = 0;
        m_video->GetFrameSize(&width, &height);
        info[1] = m_video->GetFrameCount();
        if (m_video->GetFrameRate() != 25.0) {
            info[3] = 30000;
            info[4] = 1001;
        }
        info[5] = std::uint32_t(std::max(width, 0));
        info[6] = std::uint32_t(std::max(height, 0));
    }
    return m_ipc->Send(info, sizeof info, kReplyOk);
}

bool CFrameServe::SendAudioInfo() {
    std::uint32_t info[8] = {kInfoSize, 0, 0, 44100, 1, 2, 16, 4};
    if (m_audio) {
        const std::int64_t length = std::max<std::int64_t>(m_audio->GetLength(), 0);
        info[1] = std::uint32_t(std::uint64_t(length) & 0xFFFFFFFFu);
        info[2] = std::uint32_t(std::uint64_t(length) >> 32);
        info[3] = std::uint32_t(m_audio->GetSampleRate());
        info[5] = std::uint32_t(m_audio->GetChannels());
        info[6] = std::uint32_t(m_audio->GetBitsPerSample());
        info[7] = std::uint32_t(m_audio->GetBlockAlign());
    }
    return m_ipc->Send(info, sizeof info, kReplyOk);
}
