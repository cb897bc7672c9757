// kelvclip-frameclient: connects to a kelvclip that serves an album's frames
// through the placeholder file it named, and writes the frames to standard
// output as a raw or YUV4MPEG2 stream and the sound as a WAV file, so that
// any encoder reading a pipe can stand behind kelvclip.
#include "frameclient/kvframeclient.h"

extern "C" {
#include <libswscale/swscale.h>
#include <libavutil/pixfmt.h>
}

#include <CLI/CLI.hpp>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kExitFailed = 1;

[[noreturn]] void Fail(const std::string& text) {
    std::fprintf(stderr, "kelvclip-frameclient: %s\n", text.c_str());
    std::exit(kExitFailed);
}

void Check(int status, const std::string& what) {
    if (status != KVFC_OK)
        Fail(what + ": " + kvfc_status_text(status));
}

bool WriteAll(int fd, const void* data, std::size_t size) {
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = write(fd, bytes, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes += n;
        size -= std::size_t(n);
    }
    return true;
}

void PutWord(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(std::uint8_t(value >> (8 * i)));
}

// A 44-byte WAV header for PCM of that format and data size.
std::vector<std::uint8_t> WavHeader(const kvfc_audio_info& a, std::uint64_t dataBytes) {
    const std::uint32_t data = dataBytes > 0xFFFFFFFFull - 36 ? 0xFFFFFFFFu - 36 : std::uint32_t(dataBytes);
    std::vector<std::uint8_t> h;
    const char* riff = "RIFF";
    h.insert(h.end(), riff, riff + 4);
    PutWord(h, data + 36, 4);
    const char* wave = "WAVEfmt ";
    h.insert(h.end(), wave, wave + 8);
    PutWord(h, 16, 4);
    PutWord(h, 1, 2);
    PutWord(h, a.channels, 2);
    PutWord(h, a.rate, 4);
    PutWord(h, a.rate * a.block_align, 4);
    PutWord(h, a.block_align, 2);
    PutWord(h, (a.bits + 7) / 8 * 8, 2);
    const char* tag = "data";
    h.insert(h.end(), tag, tag + 4);
    PutWord(h, data, 4);
    return h;
}

// The whole sound into a WAV file.
void WriteSound(kvfc_channel* channel, const std::string& path) {
    kvfc_audio_info a{};
    Check(kvfc_get_audio_info(channel, &a), "sound");
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        Fail(path + ": " + std::strerror(errno));
    std::vector<std::uint8_t> header = WavHeader(a, std::uint64_t(a.length) * a.block_align);
    if (!WriteAll(fd, header.data(), header.size()))
        Fail(path + ": " + std::strerror(errno));
    // One second per request.
    const std::uint32_t block = a.rate > 0 ? a.rate : 44100;
    std::vector<std::uint8_t> buffer(std::size_t(block) * a.block_align);
    std::uint64_t written = 0;
    for (;;) {
        std::uint32_t got = 0;
        Check(kvfc_read_audio(channel, block, buffer.data(), buffer.size(), &got), "sound");
        if (got == 0)
            break;
        if (!WriteAll(fd, buffer.data(), std::size_t(got) * a.block_align))
            Fail(path + ": " + std::strerror(errno));
        written += std::uint64_t(got) * a.block_align;
    }
    // The header says what was delivered, where the file lets it be rewritten.
    if (written != std::uint64_t(a.length) * a.block_align) {
        header = WavHeader(a, written);
        if (pwrite(fd, header.data(), header.size(), 0) != ssize_t(header.size()) && errno != ESPIPE)
            Fail(path + ": " + std::strerror(errno));
    }
    if (close(fd) != 0)
        Fail(path + ": " + std::strerror(errno));
}

// Every frame to standard output, top row first: raw 24-bit blue, green,
// red, or YUV4MPEG2 with 4:2:0 pictures. The next frame is requested before
// the last one is written, so kelvclip renders while the encoder reads.
void WriteFrames(kvfc_channel* channel, bool y4m) {
    kvfc_video_info v{};
    Check(kvfc_get_video_info(channel, &v), "video");
    if (v.frames == 0)
        return;
    const std::size_t row = std::size_t(v.width) * 3, size = row * v.height;
    std::vector<std::uint8_t> frames[2] = {std::vector<std::uint8_t>(size),
                                           std::vector<std::uint8_t>(size)};
    std::vector<std::uint8_t> out(y4m ? std::size_t(v.width) * v.height * 3 / 2 + 16 : size);
    SwsContext* sws = nullptr;
    if (y4m) {
        sws = sws_getContext(int(v.width), int(v.height), AV_PIX_FMT_BGR24, int(v.width),
                             int(v.height), AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr, nullptr,
                             nullptr);
        if (!sws || v.width % 2 || v.height % 2)
            Fail("the pictures cannot be converted to 4:2:0");
        char header[128];
        std::snprintf(header, sizeof header, "YUV4MPEG2 W%u H%u F%u:%u Ip A0:0 C420mpeg2\n",
                      v.width, v.height, v.rate_num, v.rate_den);
        if (!WriteAll(1, header, std::strlen(header)))
            Fail(std::string("standard output: ") + std::strerror(errno));
    }
    Check(kvfc_request_frame(channel, 0), "frame 0");
    for (std::uint32_t i = 0; i < v.frames; ++i) {
        std::vector<std::uint8_t>& frame = frames[i % 2];
        const int status = kvfc_receive_frame(channel, frame.data(), frame.size());
        Check(status, "frame " + std::to_string(i));
        if (i + 1 < v.frames)
            Check(kvfc_request_frame(channel, i + 1), "frame " + std::to_string(i + 1));
        // The served rows go bottom first; the bottom row lies at the start.
        const std::uint8_t* top = frame.data() + (v.height - 1) * row;
        std::size_t bytes = size;
        if (y4m) {
            const std::uint8_t* src[1] = {top};
            const int srcStride[1] = {-int(row)};
            std::uint8_t* y = out.data() + 6;
            std::uint8_t* u = y + std::size_t(v.width) * v.height;
            std::uint8_t* w = u + std::size_t(v.width / 2) * (v.height / 2);
            std::uint8_t* dst[3] = {y, u, w};
            const int dstStride[3] = {int(v.width), int(v.width / 2), int(v.width / 2)};
            std::memcpy(out.data(), "FRAME\n", 6);
            sws_scale(sws, src, srcStride, 0, int(v.height), dst, dstStride);
            bytes = 6 + std::size_t(v.width) * v.height * 3 / 2;
        } else {
            for (std::uint32_t r = 0; r < v.height; ++r)
                std::memcpy(out.data() + r * row, top - r * row, row);
        }
        if (!WriteAll(1, out.data(), bytes))
            Fail(std::string("standard output: ") + std::strerror(errno));
    }
    sws_freeContext(sws);
}

void PrintInfo(kvfc_channel* channel) {
    kvfc_video_info v{};
    kvfc_audio_info a{};
    Check(kvfc_get_video_info(channel, &v), "video");
    Check(kvfc_get_audio_info(channel, &a), "sound");
    std::printf("frames=%u\nwidth=%u\nheight=%u\nrate=%u/%u\n", v.frames, v.width, v.height,
                v.rate_num, v.rate_den);
    std::printf("audio_length=%lld\naudio_rate=%u\naudio_channels=%u\naudio_bits=%u\n",
                static_cast<long long>(a.length), a.rate, a.channels, a.bits);
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{"Reads the frames and sound kelvclip serves through a placeholder file: the "
                 "frames go to standard output, the sound to a WAV file.",
                 "kelvclip-frameclient"};
    app.set_version_flag("--version", "kelvclip-frameclient " KV_VERSION);
    std::string placeholder, video = "y4m", audio;
    bool info = false;
    double timeout = 30;
    app.add_option("placeholder", placeholder, "The placeholder file kelvclip named (.atv)")->required();
    app.add_option("--video", video, "raw (24-bit BGR, top row first), y4m or none")
        ->check(CLI::IsMember({"raw", "y4m", "none"}))
        ->capture_default_str();
    app.add_option("--audio", audio, "Write the sound as a WAV file here (before the frames)");
    app.add_flag("--info", info, "Print the frame count, size, rates and sound length and exit");
    app.add_option("--timeout", timeout, "Seconds to wait for kelvclip to accept the client")
        ->check(CLI::Range(0.0, 86400.0))
        ->capture_default_str();
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return e.get_exit_code() == 0 ? code : 64;
    }
    // A reader that goes away is reported, not a silent death by SIGPIPE.
    std::signal(SIGPIPE, SIG_IGN);
    // Whole frames fit into the pipe to the encoder.
    fcntl(1, F_SETPIPE_SZ, 1 << 20);

    kvfc_channel* channel = nullptr;
    Check(kvfc_open(placeholder.c_str(), int(timeout * 1000), &channel), placeholder);
    if (info)
        PrintInfo(channel);
    else {
        if (!audio.empty())
            WriteSound(channel, audio);
        if (video != "none")
            WriteFrames(channel, video == "y4m");
    }
    kvfc_close(channel);
    return 0;
}
