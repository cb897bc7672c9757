#include "audio/FfmpegAudioReader.h"

#include "base/InputFile.h"
#include "media/FfOwners.h"
#include "media/MediaKind.h"

#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <tuple>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

namespace {

std::string AvError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

// "an MP4" / "a Matroska" …: the container as FFmpeg names it, with its article.
std::string ContainerName(const AVFormatContext* format) {
    std::string name = format && format->iformat && format->iformat->long_name
                           ? format->iformat->long_name
                           : "an unknown kind of";
    if (name.rfind("an ", 0) == 0)
        return name;
    bool vowel = std::string("AEIOUaeiou").find(name[0]) != std::string::npos;
    return (vowel ? "an " : "a ") + name;
}

// A file as it is on disk: replaced, written over or touched, it differs.
struct SFileState {
    std::uint64_t device = 0, inode = 0, size = 0, changed = 0;
    bool operator==(const SFileState&) const = default;
};

bool StateOf(const std::string& path, SFileState& state) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    state = {std::uint64_t(info.st_dev), std::uint64_t(info.st_ino), std::uint64_t(info.st_size),
             std::uint64_t(info.st_mtim.tv_sec) * 1000000000u + std::uint64_t(info.st_mtim.tv_nsec)};
    return true;
}

// What decoding a whole file gave in the format asked for.
struct SKnownSound {
    SFileState file;
    int rate = 0, channels = 0, bits = 0;
    std::int64_t length = 0;
};

// The files remembered at most; past that the memory starts again.
constexpr std::size_t kKnownSounds = 64;

// Whole decodes by path and the rate and width asked for.
class CKnownSounds {
public:
    using SKey = std::tuple<std::string, int, int>;

    bool Recall(const SKey& key, const SFileState& file, SKnownSound& known) {
        std::lock_guard lock(m_lock);
        auto it = m_sounds.find(key);
        if (it == m_sounds.end() || !(it->second.file == file))
            return false;
        known = it->second;
        return true;
    }
    void Remember(const SKey& key, const SKnownSound& known) {
        std::lock_guard lock(m_lock);
        if (m_sounds.size() >= kKnownSounds)
            m_sounds.clear();
        m_sounds[key] = known;
    }

private:
    std::mutex m_lock;
    std::map<SKey, SKnownSound> m_sounds;
};

CKnownSounds& KnownSounds() {
    static CKnownSounds known;
    return known;
}

} // namespace

// The resampler from one input format (as decoded frames carry it) to the
// reader's output format.
struct CFfmpegAudioReader::SConverter {
    FfSwrPtr swr;
    int inRate = 0;
    int inFormat = -1;
    AVChannelLayout inLayout{};
    int outBits = 16;
    int blockAlign = 4;

    SConverter() = default;
    SConverter(const SConverter&) = delete;
    SConverter& operator=(const SConverter&) = delete;
    ~SConverter() { av_channel_layout_uninit(&inLayout); }

    [[nodiscard]] bool Fits(const AVFrame& in) const {
        return swr && in.sample_rate == inRate && in.format == inFormat &&
               av_channel_layout_compare(&in.ch_layout, &inLayout) == 0;
    }

    bool SetUp(const AVFrame& in, int rate, int channels, int bits) {
        swr.reset();
        av_channel_layout_uninit(&inLayout);
        // Layouts start zeroed: av_channel_layout_copy frees what its
        // destination holds first, and a custom-order layout owns a map.
        AVChannelLayout from{};
        if (in.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
            av_channel_layout_default(&from, in.ch_layout.nb_channels);
        else if (av_channel_layout_copy(&from, &in.ch_layout) < 0)
            return false;
        AVChannelLayout to{};
        av_channel_layout_default(&to, channels);
        SwrContext* raw = nullptr;
        int rc = swr_alloc_set_opts2(&raw, &to, bits == 8 ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16,
                                     rate, &from, AVSampleFormat(in.format), in.sample_rate, 0,
                                     nullptr);
        av_channel_layout_uninit(&from);
        av_channel_layout_uninit(&to);
        swr.reset(raw);
        if (rc < 0 || swr_init(swr.get()) < 0 || av_channel_layout_copy(&inLayout, &in.ch_layout) < 0) {
            swr.reset();
            return false;
        }
        inRate = in.sample_rate;
        inFormat = in.format;
        outBits = bits;
        blockAlign = bits / 8 * channels;
        return true;
    }
};

// Converts a frame (null: what the converter still holds) onto the end of the data.
void CFfmpegAudioReader::Append(SConverter& converter, const AVFrame* in, bool& tooLarge) {
    int outCount = swr_get_out_samples(converter.swr.get(), in ? in->nb_samples : 0);
    if (outCount <= 0 || tooLarge)
        return;
    const std::size_t blockAlign = std::size_t(converter.blockAlign);
    const std::size_t room = std::size_t(outCount) * blockAlign;
    if (m_bytes + room > kMaxBytes) {
        tooLarge = true;
        return;
    }
    // Past what is kept every frame is converted into the same room, and
    // only counted; at the input's own rate the count is the input's.
    const bool keep = m_bytes < m_keepBytes;
    if (!keep && in && converter.inRate == m_rate) {
        m_bytes += std::size_t(in->nb_samples) * blockAlign;
        return;
    }
    if (keep)
        m_data.resize(m_bytes + room);
    else if (m_counted.size() < room)
        m_counted.resize(room);
    std::uint8_t* out = keep ? m_data.data() + m_bytes : m_counted.data();
    int done = swr_convert(converter.swr.get(), &out, outCount,
                           in ? const_cast<const std::uint8_t**>(in->extended_data) : nullptr,
                           in ? in->nb_samples : 0);
    const std::size_t converted = std::size_t(std::max(0, done)) * blockAlign;
    if (keep)
        m_data.resize(m_bytes + converted);
    m_bytes += converted;
}

void CFfmpegAudioReader::Close() {
    m_data.clear();
    m_data.shrink_to_fit();
    m_rate = m_channels = m_bits = 0;
    m_length = 0;
    m_bytes = 0;
    m_keepBytes = 0;
    m_counted.clear();
    m_counted.shrink_to_fit();
}

std::int64_t CFfmpegAudioReader::GetKeptLength() const {
    return m_channels > 0 ? std::int64_t(m_data.size() / std::size_t(GetBlockAlign())) : 0;
}

std::uint8_t* CFfmpegAudioReader::FrameAt(std::int64_t position) {
    if (position < 0 || position >= GetKeptLength())
        return nullptr;
    return m_data.data() + std::size_t(position) * std::size_t(GetBlockAlign());
}

bool CFfmpegAudioReader::Open(const std::string& path, std::string& error, int rate, int bits,
                              double keepSeconds) {
    Close();
    if (path.empty()) {
        error = "no file";
        return false;
    }
    // FFmpeg would block on a FIFO and read a device for ever.
    std::string why;
    if (!InputFile::Check(path, why)) {
        error = path + ": " + why;
        return false;
    }
    SFileState file;
    const bool stable = StateOf(path, file);
    const CKnownSounds::SKey key{path, rate, bits};
    SKnownSound known;
    const bool remembered = stable && KnownSounds().Recall(key, file, known);
    if (remembered && keepSeconds <= 0) {
        m_rate = known.rate;
        m_channels = known.channels;
        m_bits = known.bits;
        m_length = known.length;
        return true;
    }
    AVFormatContext* rawFormat = nullptr;
    // The container is told from the content (FFmpeg's own probing, the
    // fallback, also weighs the name).
    int rc = avformat_open_input(&rawFormat, path.c_str(), CMediaKind::ContentFormat(path), nullptr);
    if (rc < 0) {
        error = path + ": " + AvError(rc);
        return false;
    }
    FfInputPtr format(rawFormat);
    if ((rc = avformat_find_stream_info(format.get(), nullptr)) < 0) {
        error = path + ": " + AvError(rc);
        return false;
    }
    const AVCodec* codec = nullptr;
    int stream = av_find_best_stream(format.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (stream == AVERROR_DECODER_NOT_FOUND) {
        // There is sound, in a coding this build has no decoder for.
        stream = av_find_best_stream(format.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
        const AVCodecDescriptor* what =
            stream >= 0 ? avcodec_descriptor_get(format->streams[stream]->codecpar->codec_id)
                        : nullptr;
        error = path + ": this is " + ContainerName(format.get()) + " file whose sound (" +
                (what ? what->long_name : "an unknown coding") + ") this build cannot decode";
        return false;
    }
    if (stream < 0 || !codec) {
        error = path + ": " + ContainerName(format.get()) + " file that holds no sound";
        return false;
    }
    FfCodecPtr decoder(avcodec_alloc_context3(codec));
    if (!decoder ||
        avcodec_parameters_to_context(decoder.get(), format->streams[stream]->codecpar) < 0 ||
        avcodec_open2(decoder.get(), codec, nullptr) < 0) {
        error = path + ": its sound (" + std::string(codec->long_name ? codec->long_name : codec->name) +
                ") cannot be decoded";
        return false;
    }
    FfPacketPtr packet(av_packet_alloc());
    FfFramePtr frame(av_frame_alloc());
    if (!packet || !frame) {
        error = path + ": out of memory";
        return false;
    }

    // The output format is fixed by the first decoded frame: some decoders
    // learn the rate, layout or sample format only from the data. A frame
    // that changes them later gets a converter of its own.
    SConverter converter;
    bool tooLarge = false;
    bool unconvertible = false;
    auto convert = [&](const AVFrame* in) {
        if (in && !converter.Fits(*in)) {
            if (converter.swr)
                Append(converter, nullptr, tooLarge); // what the old converter still holds
            if (m_channels == 0) {
                m_channels = std::min(2, in->ch_layout.nb_channels);
                m_rate = rate > 0 ? rate : in->sample_rate;
                bool eightBit = in->format == AV_SAMPLE_FMT_U8 || in->format == AV_SAMPLE_FMT_U8P;
                m_bits = bits > 0 ? bits : (eightBit ? 8 : 16);
            }
            if (!converter.SetUp(*in, m_rate, m_channels, m_bits)) {
                unconvertible = true;
                return;
            }
            const double perSecond = double(m_rate) * converter.blockAlign;
            if (m_bytes == 0)
                m_keepBytes = keepSeconds * perSecond < double(kMaxBytes)
                                  ? std::size_t(std::max(0.0, keepSeconds) * perSecond)
                                  : kMaxBytes;
            // All that is kept at once where the file tells its length: growing
            // by doubling would hold up to twice the sound while it decodes.
            if (m_data.empty() && m_keepBytes > 0 && format->duration > 0) {
                const double seconds = double(format->duration) / AV_TIME_BASE + 0.5;
                const double bytes = std::min(seconds * perSecond, double(m_keepBytes));
                if (bytes < double(kMaxBytes))
                    m_data.reserve(std::size_t(bytes));
            }
        }
        if (converter.swr)
            Append(converter, in, tooLarge);
    };
    auto drain = [&] {
        while (avcodec_receive_frame(decoder.get(), frame.get()) == 0) {
            if (frame->sample_rate > 0 && frame->ch_layout.nb_channels > 0 && !unconvertible)
                convert(frame.get());
            av_frame_unref(frame.get());
        }
    };
    // With the length remembered, decoding stops once the start is kept.
    auto startKept = [&] {
        return remembered && m_channels > 0 && m_bytes >= m_keepBytes && m_rate == known.rate &&
               m_channels == known.channels && m_bits == known.bits;
    };
    bool stopped = false;
    while (!tooLarge && !unconvertible && av_read_frame(format.get(), packet.get()) >= 0) {
        if (packet->stream_index == stream && avcodec_send_packet(decoder.get(), packet.get()) >= 0)
            drain();
        av_packet_unref(packet.get());
        if ((stopped = startKept()))
            break;
    }
    if (!stopped) {
        avcodec_send_packet(decoder.get(), nullptr);
        drain();
        if (converter.swr)
            Append(converter, nullptr, tooLarge); // what the converter still holds
    }
    if (unconvertible) {
        error = path + ": the sound cannot be converted";
        Close();
        return false;
    }
    if (tooLarge) {
        error = path + ": the sound is too long (more than " + std::to_string(kMaxBytes >> 20) +
                " MB of samples, about 45 minutes at 48 kHz in stereo)";
        Close();
        return false;
    }
    m_length = m_channels > 0 ? std::int64_t(m_bytes / std::size_t(GetBlockAlign())) : 0;
    if (stopped)
        m_length = std::max(m_length, known.length);
    if (m_length == 0) {
        error = path + ": no sound could be decoded";
        Close();
        return false;
    }
    if (stable && !stopped)
        KnownSounds().Remember(key, SKnownSound{file, m_rate, m_channels, m_bits, m_length});
    return true;
}
