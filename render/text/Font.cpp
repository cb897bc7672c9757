#include "render/text/Font.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H

#include <algorithm>
#include <cmath>
#include <mutex>

namespace {

std::mutex& EngineLock() {
    static std::mutex lock;
    return lock;
}

// The FreeType library of the process, made on first use under the lock.
FT_Library Library() {
    static FT_Library library = [] {
        FT_Library lib = nullptr;
        if (FT_Init_FreeType(&lib) != 0)
            lib = nullptr;
        return lib;
    }();
    return library;
}

struct SMatch {
    std::string file;
    int index = 0;
    std::string family;
    int weight = FC_WEIGHT_REGULAR;
    int slant = FC_SLANT_ROMAN;
};

// fontconfig's best match, which substitutes a similar face (or the default
// sans face) when the family is not installed.
bool Match(const std::string& family, bool bold, bool italic, SMatch& out) {
    FcConfig* config = FcConfigGetCurrent();
    FcPattern* pattern = FcPatternCreate();
    if (!pattern)
        return false;
    FcPatternAddString(pattern, FC_FAMILY,
                       reinterpret_cast<const FcChar8*>(family.empty() ? "sans-serif" : family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(config, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match)
        return false;
    FcChar8* file = nullptr;
    FcChar8* name = nullptr;
    bool ok = FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file;
    if (ok) {
        out.file = reinterpret_cast<const char*>(file);
        FcPatternGetInteger(match, FC_INDEX, 0, &out.index);
        if (FcPatternGetString(match, FC_FAMILY, 0, &name) == FcResultMatch && name)
            out.family = reinterpret_cast<const char*>(name);
        FcPatternGetInteger(match, FC_WEIGHT, 0, &out.weight);
        FcPatternGetInteger(match, FC_SLANT, 0, &out.slant);
    }
    FcPatternDestroy(match);
    return ok;
}

} // namespace

struct CFont::SFace {
    FT_Face face = nullptr;
    ~SFace() {
        if (face)
            FT_Done_Face(face);
    }
};

CFont::~CFont() {
    std::lock_guard lock(EngineLock());
    m_face.reset();
}

std::shared_ptr<CFont> CFont::Open(const SRequest& request) {
    std::lock_guard lock(EngineLock());
    FT_Library library = Library();
    if (!library)
        return nullptr;
    SMatch match;
    if (!Match(request.face, request.bold, request.italic, match) &&
        !Match({}, request.bold, request.italic, match))
        return nullptr;
    std::shared_ptr<CFont> font(new CFont);
    font->m_face = std::make_unique<SFace>();
    if (FT_New_Face(library, match.file.c_str(), match.index, &font->m_face->face) != 0)
        return nullptr;
    FT_Face face = font->m_face->face;
    // The height is the cell: ascent plus descent, as the size was asked.
    FT_Size_RequestRec size{};
    size.type = FT_SIZE_REQUEST_TYPE_CELL;
    size.height = FT_Long(std::max(1, request.cellHeight)) * 64;
    if (FT_Request_Size(face, &size) != 0)
        return nullptr;
    font->m_ascent = int((face->size->metrics.ascender + 63) >> 6);
    font->m_descent = int((-face->size->metrics.descender + 63) >> 6);
    font->m_emboldenSynthetic = request.bold && match.weight < FC_WEIGHT_DEMIBOLD;
    font->m_obliqueSynthetic = request.italic && match.slant == FC_SLANT_ROMAN;
    font->m_underline = request.underline;
    font->m_family = match.family;
    return font;
}

int CFont::Advance(char32_t c) const {
    std::lock_guard lock(EngineLock());
    FT_Face face = m_face->face;
    if (FT_Load_Char(face, FT_ULong(c), FT_LOAD_DEFAULT) != 0)
        return 0;
    if (m_emboldenSynthetic)
        FT_GlyphSlot_Embolden(face->glyph);
    return int((face->glyph->advance.x + 32) >> 6);
}

int CFont::Measure(std::u32string_view line) const {
    int width = 0;
    for (char32_t c : line)
        width += Advance(c);
    return width;
}

void CFont::Draw(std::u32string_view line, int x, int y, int extra, std::uint8_t* coverage,
                 int width, int height, int stride) const {
    std::lock_guard lock(EngineLock());
    FT_Face face = m_face->face;
    const int baseline = y + m_ascent;
    const int start = x;
    for (char32_t c : line) {
        if (FT_Load_Char(face, FT_ULong(c), FT_LOAD_DEFAULT) != 0)
            continue;
        FT_GlyphSlot slot = face->glyph;
        if (m_emboldenSynthetic)
            FT_GlyphSlot_Embolden(slot);
        if (m_obliqueSynthetic)
            FT_GlyphSlot_Oblique(slot);
        int advance = int((slot->advance.x + 32) >> 6);
        if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) == 0) {
            const FT_Bitmap& bitmap = slot->bitmap;
            int left = x + slot->bitmap_left, top = baseline - slot->bitmap_top;
            for (int row = 0; row < int(bitmap.rows); ++row) {
                int ty = top + row;
                if (ty < 0 || ty >= height)
                    continue;
                const std::uint8_t* src = bitmap.buffer + std::ptrdiff_t(row) * bitmap.pitch;
                std::uint8_t* dst = coverage + std::ptrdiff_t(ty) * stride;
                for (int col = 0; col < int(bitmap.width); ++col) {
                    int tx = left + col;
                    if (tx >= 0 && tx < width)
                        dst[tx] = std::max(dst[tx], src[col]);
                }
            }
        }
        x += advance + extra;
    }
    if (m_underline && x > start) {
        // The face's own underline position and thickness, at this size.
        FT_Fixed scale = face->size->metrics.y_scale;
        int position = -int(FT_MulFix(face->underline_position, scale) >> 6);
        int thickness = std::max(1, int((FT_MulFix(face->underline_thickness, scale) + 32) >> 6));
        for (int t = 0; t < thickness; ++t) {
            int ty = baseline + position + t;
            if (ty < 0 || ty >= height)
                continue;
            std::uint8_t* dst = coverage + std::ptrdiff_t(ty) * stride;
            for (int tx = std::max(0, start); tx < std::min(width, x); ++tx)
                dst[tx] = 255;
        }
    }
}
