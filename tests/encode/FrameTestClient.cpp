// A frame-serving client process for the protocol tests: the well-behaved
// requests through libkvframeclient, and the ways a client can misbehave
// through the channel's words directly. Prints what it got, one fact a line;
// the exit status is 0, or 10 + the negated library status of a failure.
//
//   kv-frame-test-client MODE PLACEHOLDER [ARG]
//   info        video and sound facts
//   frames N    the first N frames: bottom-left and top-left pixels and the
//               first bar column of the bottom row
//   audio       the whole sound, in requests of ARG sample frames
//   beyond      a frame past the end, then an unknown request type
//   hold MS     connects, waits MS milliseconds, asks the video facts
//   version V   connects announcing protocol version V
//   lie         a request whose length word claims more than the data area
//   short       a request of 5 bytes
//   die         a frame request, then ends without reading the reply
//   die-locked  ends holding the channel's mutex
//   unknown     a request of an unknown type
#include "encode/IPC.h"
#include "frameclient/kvframeclient.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

int Exit(int status) {
    std::printf("status=%d\n", status);
    return status == KVFC_OK ? 0 : 10 - status;
}

std::string ChannelOf(const char* placeholder) {
    std::ifstream in(placeholder);
    std::string name;
    std::getline(in, name);
    return name;
}

// The raw channel, connected as a client (null when that failed).
std::unique_ptr<CIPC> RawClient(const char* placeholder, std::uint32_t version, int& status) {
    auto ipc = std::make_unique<CIPC>(ChannelOf(placeholder), 0, false);
    status = ipc->Ok() ? ipc->Connect(5000, version) : CIPC::kFailed;
    return ipc;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3)
        return 64;
    const std::string mode = argv[1];
    const char* placeholder = argv[2];
    const long arg = argc > 3 ? std::atol(argv[3]) : 0;

    if (mode == "version" || mode == "lie" || mode == "short" || mode == "die" ||
        mode == "die-locked" || mode == "unknown") {
        int status = 0;
        auto ipc = RawClient(placeholder, mode == "version" ? std::uint32_t(arg) : CIPC::kProtocolVersion,
                             status);
        std::printf("connect=%d\n", status);
        std::fflush(stdout);
        if (status != 1)
            return 3;
        if (mode == "version")
            return 0;
        if (mode == "die-locked") {
            pthread_mutex_lock(&ipc->Control()->mutex);
            _exit(0);
        }
        if (mode == "die") {
            const std::uint32_t request[3] = {0, 0, 0};
            ipc->Send(request, sizeof request, 0);
            _exit(0);
        }
        if (mode == "unknown") {
            const std::uint32_t request[3] = {7, 0, 0};
            ipc->Send(request, sizeof request, 0);
        } else if (mode == "short") {
            const std::uint8_t request[5] = {0, 0, 0, 0, 0};
            ipc->Send(request, sizeof request, 0);
        } else {
            // A request whose length word claims far more than the data area.
            CIPC::SControl* c = ipc->Control();
            pthread_mutex_lock(&c->mutex);
            std::memset(ipc->Data(), 0, 12);
            ipc->Block()->length = 0xFFFFFFF0u;
            ipc->Block()->value = 0;
            c->clientPosted = 1;
            pthread_cond_broadcast(&c->clientEvent);
            pthread_mutex_unlock(&c->mutex);
        }
        std::uint8_t reply[16];
        std::uint32_t size = sizeof reply;
        std::printf("reply=%d\n", ipc->Receive(reply, size, 5000));
        return 0;
    }

    kvfc_channel* channel = nullptr;
    int status = kvfc_open(placeholder, 5000, &channel);
    if (status != KVFC_OK)
        return Exit(status);
    if (mode == "hold")
        std::this_thread::sleep_for(std::chrono::milliseconds(arg));
    kvfc_video_info v{};
    status = kvfc_get_video_info(channel, &v);
    if (status != KVFC_OK) {
        kvfc_close(channel);
        return Exit(status);
    }
    if (mode == "info" || mode == "hold") {
        kvfc_audio_info a{};
        status = kvfc_get_audio_info(channel, &a);
        std::printf("frames=%u\nrate=%u/%u\nsize=%ux%u\nbits=%u\n", v.frames, v.rate_num,
                    v.rate_den, v.width, v.height, v.bits);
        std::printf("audio=%lld %u %u %u %u\n", static_cast<long long>(a.length), a.rate,
                    a.channels, a.bits, a.block_align);
    } else if (mode == "frames") {
        std::vector<std::uint8_t> frame(std::size_t(v.width) * v.height * 3);
        const std::size_t top = (std::size_t(v.height) - 1) * v.width * 3;
        for (long i = 0; i < arg && status == KVFC_OK; ++i) {
            status = kvfc_read_frame(channel, std::uint32_t(i), frame.data(), frame.size());
            if (status != KVFC_OK)
                break;
            long bar = -1;
            for (std::uint32_t x = 0; x < v.width && bar < 0; ++x)
                if (frame[x * 3 + 1] == 255)
                    bar = long(x);
            std::printf("frame %ld: bottom=%d,%d,%d top=%d,%d,%d bar=%ld\n", i, frame[0], frame[1],
                        frame[2], frame[top], frame[top + 1], frame[top + 2], bar);
        }
    } else if (mode == "audio") {
        kvfc_audio_info a{};
        status = kvfc_get_audio_info(channel, &a);
        std::vector<std::uint8_t> buffer(std::size_t(arg) * a.block_align + 1);
        long long total = 0, requests = 0;
        std::uint32_t got = 0;
        while (status == KVFC_OK) {
            status = kvfc_read_audio(channel, std::uint32_t(arg), buffer.data(), buffer.size(), &got);
            if (status != KVFC_OK || got == 0)
                break;
            total += got;
            ++requests;
        }
        std::printf("samples=%lld\nrequests=%lld\n", total, requests);
    } else if (mode == "beyond") {
        std::vector<std::uint8_t> frame(std::size_t(v.width) * v.height * 3);
        std::printf("beyond=%d\n", kvfc_read_frame(channel, v.frames, frame.data(), frame.size()));
        std::printf("small=%d\n", kvfc_read_frame(channel, 0, frame.data(), frame.size() - 1));
    }
    kvfc_close(channel);
    return Exit(status);
}
