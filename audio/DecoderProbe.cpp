#include "audio/DecoderProbe.h"

#include "audio/AnyAudioDec.h"
#include "media/MediaFacts.h"

bool CDecoderProbe::ProbeSound(const std::string& path, SSoundFacts& facts, std::string& error) {
    CAnyAudioDec decoder;
    // The facts come from decoding the whole file, so the length is exact;
    // the samples are not kept. The decoder remembers them for the file as it
    // is, so asking again reads nothing.
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
