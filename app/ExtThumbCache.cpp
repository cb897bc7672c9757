#include "app/ExtThumbCache.h"

#include "media/AnyDecoder.h"
#include "media/DataSource.h"
#include "media/JPEGDecoder.h"
#include "media/JPEGEncoder.h"
#include "media/MemSink2.h"
#include "media/TextException.h"

#include <sys/stat.h>

#include <cstring>
#include <ctime>

namespace {

// The memory sink grows by this much whenever a write does not fit.
constexpr std::size_t kSinkStep = 4096;

// Fills every pixel of a 32-bit bitmap with one opaque colour.
void Fill(PLBmp& bmp, std::uint8_t grey) {
    const std::size_t bytes = std::size_t(bmp.GetWidth()) * 4;
    for (int y = 0; y < bmp.GetHeight(); ++y) {
        std::uint8_t* row = bmp.GetLineArray()[y];
        std::memset(row, grey, bytes);
        for (std::size_t x = 3; x < bytes; x += 4)
            row[x] = 255;
    }
}

// Sets a rectangle of a 32-bit bitmap to an opaque grey, clipped to the bitmap.
void FillRect(PLBmp& bmp, int x0, int y0, int w, int h, std::uint8_t grey) {
    const int x1 = std::min(x0 + w, bmp.GetWidth()), y1 = std::min(y0 + h, bmp.GetHeight());
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    for (int y = y0; y < y1; ++y) {
        std::uint8_t* p = bmp.GetLineArray()[y] + std::size_t(x0) * 4;
        for (int x = x0; x < x1; ++x, p += 4) {
            p[0] = p[1] = p[2] = grey;
            p[3] = 255;
        }
    }
}

} // namespace

CExtThumbCache::CExtThumbCache(int width, int height)
    : CLruCache(kCapacity), m_width(width > 0 ? width : kThumbSize),
      m_height(height > 0 ? height : kThumbSize) {}

std::optional<SDigest> CExtThumbCache::MakeKey(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return std::nullopt;
    std::tm local{};
    if (!localtime_r(&st.st_mtime, &local))
        return std::nullopt;
    char when[128];
    const std::size_t length = std::strftime(when, sizeof(when), "%c", &local);
    std::string text = path;
    text.append(when, length);
    return Md5Digest(text.data(), text.size());
}

CExtThumbCache::Value CExtThumbCache::MakeValue(const std::string& path) {
    auto thumb = MakeThumbnail(path);
    return thumb ? Compress(*thumb) : nullptr;
}

std::unique_ptr<PLAnyBmp> CExtThumbCache::MakeThumbnail(const std::string& path) {
    PLAnyDecoder dec;
    dec.SetRequestedSize(m_width, m_height);
    dec.SetDraft(true);
    if (!dec.OpenFile2(path))
        return nullptr;
    return FitIntoBox(dec, dec.IsVideo());
}

std::unique_ptr<PLAnyBmp> CExtThumbCache::FitIntoBox(PLAnyDecoder& dec, bool video) const {
    auto thumb = std::make_unique<PLAnyBmp>();
    try {
        thumb->Create(m_width, m_height, 32, false, false);
    } catch (const PLTextException&) {
        return nullptr;
    }
    Fill(*thumb, video ? 0 : 255);
    if (!dec.DecodeInto(*thumb))
        return nullptr;
    if (video)
        DrawFilmStrip(*thumb);
    return thumb;
}

void CExtThumbCache::DrawFilmStrip(PLBmp& thumb) {
    const int w = thumb.GetWidth(), h = thumb.GetHeight();
    if (thumb.GetBitsPerPixel() != 32 || w <= 0 || h <= 0)
        return;
    FillRect(thumb, 0, 0, w, kFilmBar, 0);
    FillRect(thumb, 0, h - kFilmBar, w, kFilmBar, 0);
    for (int i = 0; i < w / kFilmBar; ++i) {
        const int x = 4 + kFilmBar * i;
        FillRect(thumb, x, 4, kFilmHole, kFilmHole, 255);
        FillRect(thumb, x, h - 12, kFilmHole, kFilmHole, 255);
    }
}

CExtThumbCache::Value CExtThumbCache::Compress(const PLBmp& thumb) {
    CMemSink2 sink(kSinkStep);
    if (!sink.Open())
        return nullptr;
    try {
        PLJPEGEncoder().MakeFileFromBmp(sink, thumb);
    } catch (const PLTextException&) {
        return nullptr;
    }
    auto value = std::make_shared<SThumbJpeg>();
    value->size = sink.GetUsed();
    value->bytes = sink.Detach();
    return value;
}

std::unique_ptr<PLAnyBmp> CExtThumbCache::Decompress(const SThumbJpeg& jpeg) const {
    if (!jpeg.bytes || jpeg.size == 0)
        return nullptr;
    // The size is checked before any pixel memory is made, so bytes that
    // claim a huge picture cost nothing.
    PLMemSource source;
    source.Open(jpeg.bytes.get(), jpeg.size);
    PLJPEGDecoder dec;
    auto thumb = std::make_unique<PLAnyBmp>();
    try {
        dec.Open(&source);
        if (dec.GetWidth() != m_width || dec.GetHeight() != m_height)
            return nullptr;
        dec.DecodeTo(thumb.get(), 32);
    } catch (const PLTextException&) {
        return nullptr;
    }
    return thumb;
}

std::unique_ptr<PLAnyBmp> CExtThumbCache::GetCachedThumbnail(const std::string& path) {
    Value value = Find(path);
    return value ? Decompress(*value) : nullptr;
}

std::unique_ptr<PLAnyBmp> CExtThumbCache::GetThumbnail(const std::string& path) {
    if (auto cached = GetCachedThumbnail(path))
        return cached;
    auto thumb = MakeThumbnail(path);
    if (thumb)
        Insert(path, Compress(*thumb));
    return thumb;
}

std::shared_ptr<CExtThumbCache> CExtThumbCache::GetDefault() {
    // Shared, so a worker still running while the process ends keeps it alive.
    static const std::shared_ptr<CExtThumbCache> cache = std::make_shared<CExtThumbCache>();
    return cache;
}
