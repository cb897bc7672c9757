// The client library of the frame-serving channel: the C interface of
// kvframeclient.h over CIPC.
#include "frameclient/kvframeclient.h"

#include "encode/IPC.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <new>
#include <string>
#include <unistd.h>

namespace {

// The server's request types and reply values (see encode/FrameServe.h).
enum : std::uint32_t { kVideoFrame = 0, kAudio = 1, kVideoInfo = 2, kAudioInfo = 3 };
enum : std::uint32_t { kReplyOk = 0, kReplyNone = 1, kReplyRefused = 2 };
constexpr std::uint32_t kInfoSize = 32;
// The placeholder holds one line: the channel's name.
constexpr std::size_t kPlaceholderLimit = 256;

int StatusOf(int ipc) {
    switch (ipc) {
    case CIPC::kTimeout: return KVFC_ERR_TIMEOUT;
    case CIPC::kShutdown:
    case CIPC::kPartnerGone: return KVFC_ERR_GONE;
    case CIPC::kRejected: return KVFC_ERR_REJECTED;
    case CIPC::kBusy: return KVFC_ERR_BUSY;
    default: return KVFC_ERR_PROTOCOL;
    }
}

bool ReadPlaceholder(const char* path, std::string& name) {
    const int fd = open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return false;
    char buffer[kPlaceholderLimit];
    std::size_t size = 0;
    for (;;) {
        const ssize_t n = read(fd, buffer + size, sizeof buffer - size);
        if (n > 0 && (size += std::size_t(n)) < sizeof buffer)
            continue;
        if (n < 0 && errno == EINTR)
            continue;
        break;
    }
    close(fd);
    name.assign(buffer, size);
    while (!name.empty() && (name.back() == '\n' || name.back() == '\r'))
        name.pop_back();
    return CIPC::IsChannelName(name);
}

} // namespace

struct kvfc_channel {
    std::unique_ptr<CIPC> ipc;
    bool haveVideo = false;
    kvfc_video_info video{};
    std::uint32_t blockAlign = 0; // of the sound, once asked
    bool requested = false;

    int Request(std::uint32_t type, std::uint32_t first, std::uint32_t second) {
        const std::uint32_t words[3] = {type, first, second};
        if (!ipc->Send(words, sizeof words, 0))
            return KVFC_ERR_GONE;
        return KVFC_OK;
    }
    // Waits for the reply and hands it to take, which answers a status.
    template <typename F>
    int Reply(F take) {
        int status = KVFC_OK;
        const int value = ipc->ReceiveWith(-1, [&](const std::uint8_t* data, std::uint32_t length,
                                                   std::uint32_t v) {
            if (v == kReplyOk)
                status = take(data, length);
        });
        if (value < 0)
            return StatusOf(value);
        if (value == int(kReplyNone))
            return KVFC_NO_DATA;
        if (value != int(kReplyOk))
            return KVFC_ERR_PROTOCOL;
        return status;
    }
    int Info(std::uint32_t type, std::uint32_t (&words)[8]) {
        int status = Request(type, 0, 0);
        if (status != KVFC_OK)
            return status;
        return Reply([&](const std::uint8_t* data, std::uint32_t length) {
            if (length != kInfoSize)
                return int(KVFC_ERR_PROTOCOL);
            std::memcpy(words, data, kInfoSize);
            return words[0] == kInfoSize ? int(KVFC_OK) : int(KVFC_ERR_PROTOCOL);
        });
    }
};

extern "C" {

int kvfc_open(const char* placeholder, int timeout_ms, kvfc_channel** channel) {
    if (!placeholder || !channel)
        return KVFC_ERR_ARGUMENT;
    *channel = nullptr;
    std::string name;
    if (!ReadPlaceholder(placeholder, name))
        return KVFC_ERR_PLACEHOLDER;
    auto ch = std::unique_ptr<kvfc_channel>(new (std::nothrow) kvfc_channel);
    if (!ch)
        return KVFC_ERR_MEMORY;
    ch->ipc.reset(new (std::nothrow) CIPC(name, 0, false));
    if (!ch->ipc)
        return KVFC_ERR_MEMORY;
    if (!ch->ipc->Ok())
        return KVFC_ERR_CHANNEL;
    if (ch->ipc->Control()->version != KVFC_PROTOCOL_VERSION)
        return KVFC_ERR_VERSION;
    const int connected = ch->ipc->Connect(timeout_ms, KVFC_PROTOCOL_VERSION);
    if (connected != 1)
        return StatusOf(connected);
    *channel = ch.release();
    return KVFC_OK;
}

void kvfc_close(kvfc_channel* channel) { delete channel; }

int kvfc_get_video_info(kvfc_channel* channel, kvfc_video_info* info) {
    if (!channel || !info || channel->requested)
        return KVFC_ERR_ARGUMENT;
    std::uint32_t w[8] = {};
    const int status = channel->Info(kVideoInfo, w);
    if (status != KVFC_OK)
        return status;
    if (w[7] != 24 || w[4] == 0 || std::uint64_t(w[5]) * w[6] * 3 > channel->ipc->Capacity())
        return KVFC_ERR_PROTOCOL;
    channel->video = {w[1], w[3], w[4], w[5], w[6], w[7]};
    channel->haveVideo = true;
    *info = channel->video;
    return KVFC_OK;
}

int kvfc_get_audio_info(kvfc_channel* channel, kvfc_audio_info* info) {
    if (!channel || !info || channel->requested)
        return KVFC_ERR_ARGUMENT;
    std::uint32_t w[8] = {};
    const int status = channel->Info(kAudioInfo, w);
    if (status != KVFC_OK)
        return status;
    info->length = std::int64_t(std::uint64_t(w[1]) | std::uint64_t(w[2]) << 32);
    info->rate = w[3];
    info->channels = w[5];
    info->bits = w[6];
    info->block_align = w[7];
    if (info->length < 0 || info->block_align == 0 || info->block_align != info->channels * info->bits / 8)
        return KVFC_ERR_PROTOCOL;
    channel->blockAlign = info->block_align;
    return KVFC_OK;
}

int kvfc_request_frame(kvfc_channel* channel, uint32_t index) {
    if (!channel || channel->requested)
        return KVFC_ERR_ARGUMENT;
    if (!channel->haveVideo) {
        kvfc_video_info info;
        const int status = kvfc_get_video_info(channel, &info);
        if (status != KVFC_OK)
            return status;
    }
    const int status = channel->Request(kVideoFrame, index, 0);
    channel->requested = status == KVFC_OK;
    return status;
}

int kvfc_receive_frame(kvfc_channel* channel, void* buffer, size_t size) {
    if (!channel || !channel->requested || !buffer)
        return KVFC_ERR_ARGUMENT;
    channel->requested = false;
    const std::size_t expected =
        std::size_t(channel->video.width) * channel->video.height * 3;
    return channel->Reply([&](const std::uint8_t* data, std::uint32_t length) {
        if (length != expected)
            return int(KVFC_ERR_PROTOCOL);
        if (size < expected)
            return int(KVFC_ERR_SMALL_BUFFER);
        std::memcpy(buffer, data, length);
        return int(KVFC_OK);
    });
}

int kvfc_read_frame(kvfc_channel* channel, uint32_t index, void* buffer, size_t size) {
    if (!buffer)
        return KVFC_ERR_ARGUMENT;
    const int status = kvfc_request_frame(channel, index);
    return status == KVFC_OK ? kvfc_receive_frame(channel, buffer, size) : status;
}

int kvfc_read_audio(kvfc_channel* channel, uint32_t wanted, void* buffer, size_t size,
                    uint32_t* got) {
    if (!channel || !buffer || !got || channel->requested || wanted > 0x7FFFFFFFu)
        return KVFC_ERR_ARGUMENT;
    *got = 0;
    if (channel->blockAlign == 0) {
        kvfc_audio_info info;
        const int status = kvfc_get_audio_info(channel, &info);
        if (status != KVFC_OK)
            return status;
    }
    const std::uint32_t align = channel->blockAlign;
    int status = channel->Request(kAudio, 0, wanted);
    if (status != KVFC_OK)
        return status;
    std::uint32_t length = 0;
    status = channel->Reply([&](const std::uint8_t* data, std::uint32_t n) {
        if (n % align != 0 || n / align > wanted)
            return int(KVFC_ERR_PROTOCOL);
        if (n > size)
            return int(KVFC_ERR_SMALL_BUFFER);
        std::memcpy(buffer, data, n);
        length = n;
        return int(KVFC_OK);
    });
    if (status != KVFC_OK)
        return status;
    *got = length / align;
    return KVFC_OK;
}

const char* kvfc_status_text(int status) {
    switch (status) {
    case KVFC_OK: return "done";
    case KVFC_NO_DATA: return "kelvclip cannot make that frame";
    case KVFC_ERR_ARGUMENT: return "a null pointer, a size of no use or a request still open";
    case KVFC_ERR_PLACEHOLDER: return "the placeholder cannot be read or names no channel";
    case KVFC_ERR_CHANNEL: return "the channel cannot be opened (gone, not private or damaged)";
    case KVFC_ERR_VERSION: return "kelvclip speaks another protocol version";
    case KVFC_ERR_BUSY: return "another client is connected";
    case KVFC_ERR_REJECTED: return "kelvclip turned this client away";
    case KVFC_ERR_GONE: return "kelvclip ended or shut the channel down";
    case KVFC_ERR_TIMEOUT: return "kelvclip did not accept the client in time";
    case KVFC_ERR_PROTOCOL: return "a reply that breaks the protocol, or a refused request";
    case KVFC_ERR_SMALL_BUFFER: return "the buffer cannot hold the reply";
    case KVFC_ERR_MEMORY: return "out of memory";
    default: return "unknown status";
    }
}

} // extern "C"
