#include "media/AnyVidDecoder.h"

#include "media/DxVidDecoder.h"
#include "media/MediaKind.h"
#include "media/MpgVidDecoder.h"
#include "media/QtVidDecoder.h"
#include "media/TextException.h"

void PLAnyVidDecoder::Close() {
    m_dec.reset();
    PLVidDecoder::Close();
}

void PLAnyVidDecoder::OpenPath(const std::string& path) {
    m_dec.reset();
    if (path.empty())
        throw PLTextException(PL_ERRFORMAT_NOT_SUPPORTED, "Empty Filename");
    // The container decides: ISO media files go to the movie decoder, MPEG
    // streams to the MPEG decoder, everything else to the general one.
    const CMediaKind::SFacts facts = CMediaKind::Probe(path);
    if (facts.IsMovieContainer())
        m_dec = std::make_unique<PLQtVidDecoder>();
    else if (facts.IsMpeg() && facts.kind == EMediaKind::kClip)
        m_dec = std::make_unique<PLMpgVidDecoder>();
    else
        m_dec = std::make_unique<PLDxVidDecoder>();
    m_dec->SetRequestedSize(m_RequestedWidth, m_RequestedHeight);
    try {
        m_dec->OpenByName(path);
    } catch (...) {
        m_dec.reset();
        throw;
    }
    SetBmpInfo(m_dec->GetBmpInfo());
}

void PLAnyVidDecoder::ReadImage(PLBmp& bmp) {
    if (!m_dec)
        throw PLTextException(PL_ERRINTERNAL, kTextNullDecoder);
    m_dec->ReadImage(bmp);
}

void PLAnyVidDecoder::SetRequestedSize(int width, int height) {
    PLVidDecoder::SetRequestedSize(width, height);
    if (m_dec)
        m_dec->SetRequestedSize(width, height);
}

const std::uint8_t* PLAnyVidDecoder::GetFrameAtTime(double seconds, int& stride) {
    stride = 0;
    return m_dec ? m_dec->GetFrameAtTime(seconds, stride) : nullptr;
}

const std::uint8_t* PLAnyVidDecoder::GetFrame(std::int64_t index, int& stride) {
    stride = 0;
    return m_dec ? m_dec->GetFrame(index, stride) : nullptr;
}

double PLAnyVidDecoder::GetFrameRate() { return m_dec ? m_dec->GetFrameRate() : 0.0; }
double PLAnyVidDecoder::GetDuration() { return m_dec ? m_dec->GetDuration() : 0.0; }
bool PLAnyVidDecoder::HasAudio() { return m_dec && m_dec->HasAudio(); }
std::int64_t PLAnyVidDecoder::GetFrameCount() { return m_dec ? m_dec->GetFrameCount() : 0; }
bool PLAnyVidDecoder::GetAspectRatio(double& width, double& height) {
    return m_dec && m_dec->GetAspectRatio(width, height);
}
