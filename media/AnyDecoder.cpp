#include "media/AnyDecoder.h"

#include "base/LruCache.h"
#include "imgcore/CPU.h"
#include "media/MediaKind.h"
#include "media/TextException.h"

#include <cstring>

void PLAnyDecoder::Close() {
    if (m_cur)
        m_cur->Close();
    m_cur = nullptr;
    m_kept.reset();
    PLVidDecoder::Close();
}

void PLAnyDecoder::Open(PLDataSource* source) {
    Close();
    if (!source)
        throw PLTextException(PL_ERRINTERNAL, kTextNullDecoder);
    const std::string& name = source->GetName();
    // Memory holds pictures only; a named source goes to the clip decoders
    // when its file's content is a clip.
    bool video = !name.empty() && name != "Mem" && CMediaKind::Of(name) == EMediaKind::kClip;
    PLPicDecoder* dec = video ? static_cast<PLPicDecoder*>(&m_vid) : &m_pic;
    dec->Open(source);
    m_cur = dec;
    PLPicDecoder::Open(source);
    SetBmpInfo(dec->GetBmpInfo());
}

void PLAnyDecoder::OpenPath(const std::string& path) {
    if (CMediaKind::Of(path) == EMediaKind::kClip) {
        m_vid.OpenByName(path);
        m_cur = &m_vid;
        SetBmpInfo(m_vid.GetBmpInfo());
        return;
    }
    auto source = std::make_unique<PLFileSource>();
    source->Open(path);
    OpenOwned(std::move(source));
}

bool PLAnyDecoder::OpenFile2(const std::string& path) {
    try {
        Close();
        OpenPath(path);
        return true;
    } catch (const PLTextException&) {
        Close();
        return false;
    }
}

void PLAnyDecoder::ReadImage(PLBmp& bmp) {
    if (!m_cur)
        throw PLTextException(PL_ERRINTERNAL, kTextNullDecoder);
    m_cur->ReadImage(bmp);
}

bool PLAnyDecoder::GetExif(CExifRecord& record) {
    return m_cur == &m_pic && m_pic.GetExif(record);
}

void PLAnyDecoder::SetRequestedSize(int width, int height) {
    PLVidDecoder::SetRequestedSize(width, height);
    m_pic.SetRequestedSize(width, height);
    m_vid.SetRequestedSize(width, height);
}

const std::uint8_t* PLAnyDecoder::KeptPicture(int& stride) {
    stride = 0;
    if (!m_cur)
        return nullptr;
    if (!m_kept) {
        auto kept = std::make_unique<PLAnyBmp>();
        try {
            DecodeTo(kept.get(), 32);
        } catch (const PLTextException&) {
            return nullptr;
        }
        m_kept = std::move(kept);
    }
    return m_kept->GetRawBits(stride);
}

const std::uint8_t* PLAnyDecoder::GetFrameAtTime(double seconds, int& stride) {
    if (IsVideo())
        return m_vid.GetFrameAtTime(seconds, stride);
    return KeptPicture(stride);
}

const std::uint8_t* PLAnyDecoder::GetFrame(std::int64_t index, int& stride) {
    if (IsVideo())
        return m_vid.GetFrame(index, stride);
    return KeptPicture(stride);
}

double PLAnyDecoder::GetFrameRate() { return IsVideo() ? m_vid.GetFrameRate() : 0.0; }
double PLAnyDecoder::GetDuration() { return IsVideo() ? m_vid.GetDuration() : 0.0; }
bool PLAnyDecoder::HasAudio() { return IsVideo() && m_vid.HasAudio(); }
std::int64_t PLAnyDecoder::GetFrameCount() { return IsVideo() ? m_vid.GetFrameCount() : 0; }
bool PLAnyDecoder::GetAspectRatio(double& width, double& height) {
    return IsVideo() && m_vid.GetAspectRatio(width, height);
}

void PLAnyDecoder::DecodeStraight(PLBmp& target) {
    if (target.GetBitsPerPixel() == m_bpp) {
        ReadImage(target);
        return;
    }
    PLAnyBmp temp;
    DecodeTo(&temp, target.GetBitsPerPixel());
    std::size_t bytes = std::size_t(temp.GetBytesPerLine());
    for (int y = 0; y < temp.GetHeight(); ++y)
        std::memcpy(target.GetLineArray()[y], temp.GetLineArray()[y], bytes);
}

bool PLAnyDecoder::DecodeInto(PLBmp& target) {
    if (!m_cur || m_Width <= 0 || m_Height <= 0 || target.GetWidth() <= 0 ||
        target.GetHeight() <= 0)
        return false;
    const int W = target.GetWidth(), H = target.GetHeight();
    const int w = m_Width, h = m_Height;
    try {
        if (w == W && h == H) {
            DecodeStraight(target);
            return true;
        }
        double s = std::min(double(W) / w, double(H) / h);
        int pw = int(w * s), ph = int(h * s);
        if (pw <= 0 || ph <= 0)
            return false;
        PLSubBmp placed(target, (W - pw) / 2, (H - ph) / 2, pw, ph);
        if (pw == w && ph == h) {
            DecodeStraight(placed);
            return true;
        }
        if (target.GetBitsPerPixel() != 32)
            return false;
        int stride = 0;
        const std::uint8_t* frame = GetFrameAtTime(GetDuration() < 1.0 ? 0.0 : 1.0, stride);
        if (!frame)
            return false;
        // The frame is walked from its top row whichever way it is stored, so
        // the placed picture is upright without a separate mirroring pass.
        const std::uint8_t* top = stride < 0 ? frame + std::ptrdiff_t(-stride) * (h - 1) : frame;
        int step = 0;
        std::uint8_t* dst = placed.GetTopDown(step);
        CCPU::ippiResize_8u_AC4R(top, IppiSize{w, h}, stride, IppiRect{0, 0, w, h}, dst, step,
                                 IppiSize{pw, ph}, double(pw) / w, double(ph) / h,
                                 IPPI_INTER_LINEAR);
        return true;
    } catch (const PLTextException&) {
        return false;
    }
}

namespace {

class CInfoCache : public CLruCache<PLVidInfo> {
public:
    CInfoCache() : CLruCache(500) {}
    Value MakeValue(const std::string& path) override {
        PLAnyDecoder dec;
        if (!dec.OpenFile2(path))
            return nullptr;
        auto info = std::make_shared<PLVidInfo>();
        info->SetBmpInfo(dec.GetBmpInfo());
        info->m_Duration = dec.GetDuration();
        info->m_FrameCount = dec.GetFrameCount();
        info->m_HasAudio = dec.HasAudio();
        return info;
    }
};

} // namespace

std::shared_ptr<const PLVidInfo> PLAnyDecoder::GetInfo(const std::string& path) {
    static CInfoCache cache;
    return cache.FindOrMake(path);
}
