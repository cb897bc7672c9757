#include "media/MediaKind.h"

#include "base/InputFile.h"
#include "media/AnyPicDecoder.h"
#include "media/DataSource.h"
#include "media/FfOwners.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <vector>

namespace {

// A view of bytes under a file's name, for the picture decoders' recognition
// (which looks at the name for metafiles and at the bytes for the rest).
class CHeadSource final : public PLDataSource {
public:
    CHeadSource(const std::uint8_t* data, std::size_t size, const std::string& name) {
        SetData(data, size, name);
    }
};

// The kinds already found, by path, size and modification time.
class CKindCache {
public:
    bool Find(const std::string& key, CMediaKind::SFacts& facts) {
        std::lock_guard lock(m_lock);
        auto it = m_facts.find(key);
        if (it == m_facts.end())
            return false;
        facts = it->second;
        return true;
    }
    void Insert(const std::string& key, const CMediaKind::SFacts& facts) {
        std::lock_guard lock(m_lock);
        // A bound, not an order: the probe is cheap next to what the answers
        // save, and a session rarely meets this many files.
        if (m_facts.size() >= 4096)
            m_facts.clear();
        m_facts[key] = facts;
    }

private:
    std::mutex m_lock;
    std::unordered_map<std::string, CMediaKind::SFacts> m_facts;
};

constexpr const char* kNothingWeRead = "it is not a picture, clip or sound that this build reads";

// "an MP4" / "a Matroska" …: FFmpeg's long name of a container with its article.
std::string WithArticle(const char* name) {
    std::string text = name && *name ? name : "unknown";
    bool vowel = std::string("AEIOUaeiou").find(text[0]) != std::string::npos;
    return (vowel ? "an " : "a ") + text;
}

// The container FFmpeg recognises in a file's first bytes alone (its name
// plays no part), or null when none scores clearly.
const AVInputFormat* ContainerOfHead(const std::uint8_t* head, std::size_t size) {
    std::vector<std::uint8_t> padded(size + AVPROBE_PADDING_SIZE, 0);
    std::copy(head, head + size, padded.begin());
    AVProbeData probe{};
    probe.filename = "";
    probe.buf = padded.data();
    probe.buf_size = int(size);
    int score = 0;
    const AVInputFormat* container = av_probe_input_format3(&probe, 1, &score);
    return container && score > AVPROBE_SCORE_EXTENSION / 2 ? container : nullptr;
}

} // namespace

bool CMediaKind::SFacts::IsMovieContainer() const {
    return container.find("mp4") != std::string::npos || container.find("mov") != std::string::npos;
}

bool CMediaKind::SFacts::IsMpeg() const {
    return container == "mpeg" || container == "mpegts" || container == "mpegvideo" ||
           soundCoding == "mp1" || soundCoding == "mp2";
}

const char* CMediaKind::Describe(EMediaKind kind) {
    switch (kind) {
    case EMediaKind::kPicture: return "picture";
    case EMediaKind::kClip: return "clip";
    case EMediaKind::kSound: return "sound";
    case EMediaKind::kUnknown: break;
    }
    return "unknown file";
}

bool CMediaKind::IsPictureHead(const std::uint8_t* head, std::size_t size, const std::string& name) {
    CHeadSource source(head, size, name);
    PLAnyPicDecoder::EPicType type = PLAnyPicDecoder::DetermineType(source);
    if (type != PLAnyPicDecoder::kTga)
        return type != PLAnyPicDecoder::kUnknown;
    // TGA has no signature: its test is a few plausible header bytes, which
    // an MPEG program or transport stream can show too. A container FFmpeg
    // recognises by content wins over it.
    return ContainerOfHead(head, size) == nullptr;
}

const AVInputFormat* CMediaKind::ContentFormat(const std::string& path, int* score) {
    // Every file FFmpeg opens for the program comes through here first.
    // FFmpeg's own log lines (damaged streams, guesses) would reach the
    // terminal unasked; each failure is reported in the program's words.
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_QUIET); });
    AVIOContext* io = nullptr;
    if (avio_open(&io, path.c_str(), AVIO_FLAG_READ) < 0)
        return nullptr;
    const AVInputFormat* format = nullptr;
    // An empty name: only the bytes count.
    const int sure = av_probe_input_buffer2(io, &format, "", nullptr, 0, 0);
    avio_closep(&io);
    if (score)
        *score = sure < 0 ? 0 : sure;
    return sure < 0 ? nullptr : format;
}

CMediaKind::SFacts CMediaKind::Probe(const std::string& path) {
    struct stat st {};
    if (path.empty() || stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return ProbeUncached(path);
    static CKindCache cache;
    std::string key = path + '\n' + std::to_string(st.st_size) + '\n' +
                      std::to_string(st.st_mtim.tv_sec) + '.' + std::to_string(st.st_mtim.tv_nsec);
    SFacts facts;
    if (cache.Find(key, facts))
        return facts;
    facts = ProbeUncached(path);
    cache.Insert(key, facts);
    return facts;
}

CMediaKind::SFacts CMediaKind::ProbeUncached(const std::string& path) {
    SFacts facts;
    std::string why;
    int fd = InputFile::Open(path, why);
    if (fd < 0) {
        facts.why = why;
        return facts;
    }
    std::vector<std::uint8_t> head(kHeadBytes);
    std::size_t have = 0;
    while (have < head.size()) {
        ssize_t n = read(fd, head.data() + have, head.size() - have);
        if (n <= 0)
            break;
        have += std::size_t(n);
    }
    close(fd);
    facts.readable = true;
    if (have == 0) {
        facts.why = "the file is empty";
        return facts;
    }
    if (IsPictureHead(head.data(), have, path)) {
        facts.kind = EMediaKind::kPicture;
        return facts;
    }

    AVFormatContext* raw = nullptr;
    const AVInputFormat* content = ContentFormat(path);
    if (!content || avformat_open_input(&raw, path.c_str(), content, nullptr) < 0) {
        // A container FFmpeg knows by its first bytes but cannot open is
        // damaged or cut short, which says more than "unknown".
        const AVInputFormat* known = ContainerOfHead(head.data(), have);
        facts.why = known ? "it looks like " + WithArticle(known->long_name) +
                                " file but cannot be read (it may be damaged or cut short)"
                          : kNothingWeRead;
        return facts;
    }
    FfInputPtr format(raw);
    if (avformat_find_stream_info(format.get(), nullptr) < 0) {
        facts.why = "it is " + WithArticle(format->iformat->long_name) +
                    " file whose streams cannot be read (the file may be damaged)";
        return facts;
    }
    facts.container = format->iformat->name ? format->iformat->name : "";
    // FFmpeg reads some picture formats our decoders do not (as one-frame
    // "image" streams); they are neither clips nor sounds.
    const bool pictureDemuxer = facts.container == "image2" ||
                                facts.container.find("_pipe") != std::string::npos;
    bool moving = false, sound = false;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVStream* stream = format->streams[i];
        const AVCodecParameters* par = stream->codecpar;
        if (par->codec_type == AVMEDIA_TYPE_VIDEO &&
            !(stream->disposition & AV_DISPOSITION_ATTACHED_PIC) && !pictureDemuxer)
            moving = true;
        if (par->codec_type == AVMEDIA_TYPE_AUDIO && !sound) {
            sound = true;
            facts.soundCoding = avcodec_get_name(par->codec_id);
        }
    }
    if (moving)
        facts.kind = EMediaKind::kClip;
    else if (sound)
        facts.kind = EMediaKind::kSound;
    else if (pictureDemuxer)
        facts.why = "it is " + WithArticle(format->iformat->long_name) +
                    " picture, a kind of picture this build does not show";
    else
        facts.why = "it is " + WithArticle(format->iformat->long_name) +
                    " file that holds neither moving pictures nor sound";
    if (facts.kind == EMediaKind::kUnknown)
        facts.container.clear();
    return facts;
}
