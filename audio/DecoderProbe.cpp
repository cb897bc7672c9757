#include "audio/DecoderProbe.h"

#include "audio/AnyAudioDec.h"
#include "media/MediaFacts.h"

#include <sys/stat.h>

namespace {

// The files remembered at most; past that the memory starts again.
constexpr std::size_t kKnownSounds = 64;

} // namespace

bool CDecoderProbe::ProbeSound(const std::string& path, SSoundFacts& facts, std::string& error) {
    struct stat info {};
    const bool known = stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
    const SFileState file{std::uint64_t(info.st_dev), std::uint64_t(info.st_ino),
                          std::uint64_t(info.st_size),
                          std::uint64_t(info.st_mtim.tv_sec) * 1000000000u +
                              std::uint64_t(info.st_mtim.tv_nsec)};
    if (known) {
        std::lock_guard lock(m_lock);
        auto it = m_sounds.find(path);
        if (it != m_sounds.end() && it->second.file == file) {
            facts = it->second.facts;
            return true;
        }
    }
    CAnyAudioDec decoder;
    // The facts come from decoding the whole file, so the length is exact;
    // the samples are not kept.
    if (!decoder.MeasureFile(path)) {
        error = decoder.GetTargetError().empty() ? path + ": cannot be decoded"
                                                 : decoder.GetTargetError();
        facts = {};
        return false;
    }
    facts.sampleRate = decoder.GetSampleRate();
    facts.channels = decoder.GetChannels();
    facts.bitsPerSample = decoder.GetBitsPerSample();
    facts.length = decoder.GetLength();
    if (known) {
        std::lock_guard lock(m_lock);
        if (m_sounds.size() >= kKnownSounds)
            m_sounds.clear();
        m_sounds[path] = SKnownSound{file, facts};
    }
    return true;
}

double CDecoderProbe::ProbeVideoDuration(const std::string& path) {
    return CMediaFacts::VideoDuration(path);
}

std::int64_t CDecoderProbe::ProbeVideoFrameCount(const std::string& path) {
    return CMediaFacts::VideoFrameCount(path);
}

bool CDecoderProbe::ProbePictureSize(const std::string& path, int& width, int& height) {
    return CMediaFacts::PictureSize(path, width, height);
}

void CDecoderProbe::Install() {
    static CDecoderProbe probe;
    IMediaProbe::Install(&probe);
}
