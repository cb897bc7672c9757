#include "plugins/maskfx/MaskPicture.h"

#include "media/Bmp.h"
#include "media/BmpDecoder.h"
#include "media/GIFDecoder.h"
#include "media/JPEGDecoder.h"
#include "media/TextException.h"

#include <cstring>
#include <memory>
#include <new>

namespace {

// The decoder for the picture formats a mask may have, chosen by the bytes a
// file of each format starts with; null for anything else.
std::unique_ptr<PLPicDecoder> DecoderFor(const std::uint8_t* data, std::size_t size) {
    if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF)
        return std::make_unique<PLJPEGDecoder>();
    if (size >= 4 && std::memcmp(data, "GIF8", 4) == 0)
        return std::make_unique<PLGIFDecoder>();
    if (size >= 2 && (std::memcmp(data, "BM", 2) == 0 || std::memcmp(data, "BA", 2) == 0))
        return std::make_unique<PLBmpDecoder>();
    return nullptr;
}

} // namespace

bool CMaskPicture::Decode(const std::uint8_t* data, std::size_t size, std::string& reason) {
    m_width = m_height = 0;
    m_levels.clear();
    try {
        std::unique_ptr<PLPicDecoder> decoder = DecoderFor(data, size);
        if (!decoder) {
            reason = kTextUnknownType;
            return false;
        }
        PLAnyBmp bmp;
        decoder->DecodeMemory(data, size, &bmp, 0);
        const int width = bmp.GetWidth(), height = bmp.GetHeight();
        if (width <= 0 || height <= 0) {
            reason = "The picture is empty.";
            return false;
        }
        std::vector<std::uint8_t> levels(std::size_t(width) * std::size_t(height));
        std::uint8_t* out = levels.data();
        const std::uint8_t* const* rows = bmp.GetLineArray();
        if (bmp.GetBitsPerPixel() == 8) {
            // A palette picture (GIF): look each entry's grey up once. Clear
            // entries (the transparent colour) leave the pixel black, as
            // drawing the picture onto an empty bitmap would.
            std::uint8_t grey[256];
            const PLPixel32* palette = bmp.GetPalette();
            for (int k = 0; k < 256; ++k)
                grey[k] = palette[k].a == 0 ? 0 : NearestGrey(palette[k].b, palette[k].g, palette[k].r);
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x)
                    *out++ = grey[rows[y][x]];
        } else {
            // Blue, green, red and a fourth byte that drawing ignores.
            for (int y = 0; y < height; ++y) {
                const std::uint8_t* p = rows[y];
                for (int x = 0; x < width; ++x, p += 4)
                    *out++ = NearestGrey(p[0], p[1], p[2]);
            }
        }
        m_levels = std::move(levels);
        m_width = width;
        m_height = height;
        return true;
    } catch (const PLTextException& e) {
        reason = e.what();
    } catch (const std::bad_alloc&) {
        reason = kTextNoMemory;
    } catch (const std::exception& e) {
        reason = e.what();
    }
    // Decoder texts may end in a line break; the reason is one line.
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r'))
        reason.pop_back();
    return false;
}
