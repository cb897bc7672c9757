#include "media/GIFDecoder.h"

#include "media/TextException.h"

#include <cstring>
#include <gif_lib.h>

namespace {

struct SGifInput {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t pos;
};

int ReadGif(GifFileType* gif, GifByteType* out, int n) {
    auto* in = static_cast<SGifInput*>(gif->UserData);
    std::size_t count = std::min(std::size_t(n < 0 ? 0 : n), in->size - in->pos);
    std::memcpy(out, in->data + in->pos, count);
    in->pos += count;
    return int(count);
}

struct SGifCloser {
    GifFileType* gif;
    ~SGifCloser() {
        int err = 0;
        if (gif)
            DGifCloseFile(gif, &err);
    }
};

[[noreturn]] void Fail(int error) {
    if (error == D_GIF_ERR_READ_FAILED || error == D_GIF_ERR_EOF_TOO_SOON)
        throw PLTextException(PL_ERREND_OF_FILE, kTextEndOfFile);
    const char* text = GifErrorString(error);
    throw PLTextException(PL_ERRINTERNAL, std::string("GIF: ") + (text ? text : "error"));
}

} // namespace

void PLGIFDecoder::Close() {
    m_pixels.clear();
    m_pixels.shrink_to_fit();
    m_charge.Release();
    m_palette.clear();
    PLPicDecoder::Close();
}

// The whole first picture is decoded here: GIF data is small, and giflib reads
// strictly forward.
void PLGIFDecoder::Open(PLDataSource* source) {
    Close();
    PLPicDecoder::Open(source);
    std::size_t size = source->GetBytesLeft();
    SGifInput in{source->GetBufferPtr(size), size, 0};
    int error = 0;
    SGifCloser file{DGifOpen(&in, ReadGif, &error)};
    GifFileType* gif = file.gif;
    if (!gif)
        Fail(error);
    int sw = gif->SWidth, sh = gif->SHeight;
    int transparent = -1;
    bool haveImage = false;
    while (!haveImage) {
        GifRecordType type{};
        if (DGifGetRecordType(gif, &type) == GIF_ERROR)
            Fail(gif->Error);
        if (type == TERMINATE_RECORD_TYPE)
            throw PLTextException(PL_ERRINTERNAL, "GIF: no picture in the file.");
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* ext = nullptr;
            if (DGifGetExtension(gif, &code, &ext) == GIF_ERROR)
                Fail(gif->Error);
            if (code == GRAPHICS_EXT_FUNC_CODE && ext && ext[0] >= 4) {
                GraphicsControlBlock gcb{};
                if (DGifExtensionToGCB(ext[0], ext + 1, &gcb) == GIF_OK)
                    transparent = gcb.TransparentColor;
            }
            while (ext) {
                if (DGifGetExtensionNext(gif, &ext) == GIF_ERROR)
                    Fail(gif->Error);
            }
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE)
            continue;
        if (DGifGetImageDesc(gif) == GIF_ERROR)
            Fail(gif->Error);
        const GifImageDesc& d = gif->Image;
        // A screen of 0 × 0 (common in the wild) takes the picture's size.
        if (sw <= 0 || sh <= 0) {
            sw = d.Left + d.Width;
            sh = d.Top + d.Height;
        }
        PLCheckPictureSize(sw, sh);
        PLCheckPictureSize(d.Width, d.Height);
        const ColorMapObject* map = d.ColorMap ? d.ColorMap : gif->SColorMap;
        if (!map || !map->Colors || map->ColorCount <= 0)
            throw PLTextException(PL_ERRINTERNAL, "GIF: no colour table.");
        m_palette.assign(256, PLPixel32{0, 0, 0, 255});
        for (int i = 0; i < map->ColorCount && i < 256; ++i)
            m_palette[i] = PLPixel32{map->Colors[i].Blue, map->Colors[i].Green,
                                     map->Colors[i].Red, 255};
        if (transparent >= 0 && transparent < 256)
            m_palette[transparent].a = 0;
        // The picture's indices come from LZW codes after its descriptor.
        PLCheckPictureData(in.size - in.pos,
                           std::uint64_t(d.Width) * std::uint64_t(d.Height) / kLzwMostPerByte);
        int fill = transparent >= 0 ? transparent : gif->SBackGroundColor & 0xFF;
        m_charge.Take(std::size_t(sw) * std::size_t(sh));
        m_pixels.assign(std::size_t(sw) * std::size_t(sh), std::uint8_t(fill));
        std::vector<GifPixelType> line(std::size_t(d.Width));
        // Interlaced pictures arrive in four passes of rows.
        static const int kStart[4] = {0, 4, 2, 1};
        static const int kStep[4] = {8, 8, 4, 2};
        auto putRow = [&](int row) {
            if (DGifGetLine(gif, line.data(), d.Width) == GIF_ERROR)
                Fail(gif->Error);
            int y = d.Top + row;
            if (y < 0 || y >= sh)
                return;
            for (int x = 0; x < d.Width; ++x) {
                int sx = d.Left + x;
                if (sx >= 0 && sx < sw)
                    m_pixels[std::size_t(y) * std::size_t(sw) + std::size_t(sx)] = line[x];
            }
        };
        if (d.Interlace) {
            for (int pass = 0; pass < 4; ++pass)
                for (int row = kStart[pass]; row < d.Height; row += kStep[pass])
                    putRow(row);
        } else {
            for (int row = 0; row < d.Height; ++row)
                putRow(row);
        }
        haveImage = true;
    }
    m_Width = sw;
    m_Height = sh;
    m_bpp = 8;
    m_bAlphaChannel = transparent >= 0;
    m_bIsGreyscale = false;
    m_XRes = m_YRes = 0;
}

void PLGIFDecoder::ReadImage(PLBmp& bmp) {
    CheckTarget(bmp, 8);
    std::memcpy(bmp.GetPalette(), m_palette.data(), 256 * sizeof(PLPixel32));
    for (int y = 0; y < m_Height; ++y)
        std::memcpy(bmp.GetLineArray()[y], m_pixels.data() + std::size_t(y) * std::size_t(m_Width),
                    std::size_t(m_Width));
}
