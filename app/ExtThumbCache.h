#pragma once

#include "base/LruCache.h"
#include "media/Bmp.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class PLAnyDecoder;

// A thumbnail kept compressed: the bytes of a JPEG file and their count.
// Nothing reads past size bytes, whatever the bytes claim.
struct SThumbJpeg {
    std::unique_ptr<std::uint8_t[]> bytes;
    std::size_t size = 0;
};

// Thumbnails of files on disk, made at a fixed size and kept as JPEG bytes
// in a least-recently-used cache of 2000 entries.
//
// A file is filed under the MD5 digest of its path followed by its
// modification time in the form strftime's "%c" gives in local time, so a file
// that changed gets a new entry. A file whose status cannot be read has no key:
// its thumbnail is made every time and never cached.
//
// Safe from any thread: the cache's lock guards the entries, and making or
// decoding a thumbnail runs outside it.
class CExtThumbCache : public CLruCache<SThumbJpeg> {
public:
    static constexpr std::size_t kCapacity = 2000;
    static constexpr int kThumbSize = 96;
    // The film-strip bars' height, and the squares punched into them.
    static constexpr int kFilmBar = 16;
    static constexpr int kFilmHole = 7;

    explicit CExtThumbCache(int width = kThumbSize, int height = kThumbSize);

    std::optional<SDigest> MakeKey(const std::string& path) override;
    // The compressed thumbnail of a file; null when none can be made.
    Value MakeValue(const std::string& path) override;

    // Makes the thumbnail of a file: a picture scaled to fit and centred on
    // white, a clip's poster frame on black with film-strip marks. Null when
    // the file cannot be opened or decoded.
    virtual std::unique_ptr<PLAnyBmp> MakeThumbnail(const std::string& path);

    // The cached thumbnail of a file, decoded; null on a miss and for an entry
    // that does not decode to a thumbnail of this cache's size.
    std::unique_ptr<PLAnyBmp> GetCachedThumbnail(const std::string& path);
    // The cached thumbnail, or else a new one, which is then cached.
    std::unique_ptr<PLAnyBmp> GetThumbnail(const std::string& path);

    [[nodiscard]] int GetWidth() const { return m_width; }
    [[nodiscard]] int GetHeight() const { return m_height; }

    // Compresses a 32-bit bitmap as JPEG (quality 75); null when encoding fails.
    static Value Compress(const PLBmp& thumb);
    // Decodes compressed bytes; null unless they hold a JPEG picture of exactly
    // this cache's size.
    [[nodiscard]] std::unique_ptr<PLAnyBmp> Decompress(const SThumbJpeg& jpeg) const;
    // Blackens a 16-pixel bar at the top and the bottom of a 32-bit bitmap and
    // punches 7 x 7 white squares into each, one every 16 pixels from x = 4.
    static void DrawFilmStrip(PLBmp& thumb);

    // The cache of workers made without one, created on first use and shared
    // by the whole process.
    static std::shared_ptr<CExtThumbCache> GetDefault();

protected:
    // The open picture or clip of dec fitted and centred into a new thumbnail:
    // on white for a picture, on black with film-strip marks for a clip.
    [[nodiscard]] std::unique_ptr<PLAnyBmp> FitIntoBox(PLAnyDecoder& dec, bool video) const;

private:
    const int m_width;
    const int m_height;
};
