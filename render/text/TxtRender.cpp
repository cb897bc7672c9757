#include "render/text/TxtRender.h"

#include "effects/Effect.h"
#include "render/text/Font.h"
#include "render/text/GlyphSrc.h"
#include "render/text/TextMetrics.h"
#include "render/text/TxtSrcChar.h"
#include "render/text/TxtSrcString.h"

#include <algorithm>
#include <cmath>

CTxtRender::CTxtRender(int width, int height, bool bottomUp, double pixelAspect, double x,
                       double y)
    : CClipPipeline(width, height, pixelAspect, bottomUp), m_frameWidth(width),
      m_frameHeight(height), m_pixelAspect(pixelAspect > 0 ? pixelAspect : 1.0), m_x(x), m_y(y) {}

CTxtRender::CTxtRender(CLayer& shared, double pixelAspect, double x, double y)
    : CClipPipeline(shared, pixelAspect), m_frameWidth(shared.Width()),
      m_frameHeight(shared.Height()), m_pixelAspect(pixelAspect > 0 ? pixelAspect : 1.0), m_x(x),
      m_y(y) {}

CTxtRender::~CTxtRender() = default;

bool CTxtRender::SetText(const CStyledString& style) {
    m_stringGlyph.reset();
    m_chars.clear();
    m_nodes.clear();
    m_lines.clear();
    m_style = style;
    // A subtitle shows its project's colours: keep what it shows.
    int edgeColour = 0, edgeWidth = 0;
    style.GetEdge(edgeColour, edgeWidth);
    m_style.SetOwnColors(style.GetColor(), style.GetEdgeWidth(), edgeColour);
    // Text grows with the frame's height, as the album was laid out on 4:3
    // or wider frames; on a narrower frame (square, vertical) it grows with
    // the height a 4:3 frame of that width has, so a caption that fits
    // across 4:3 still fits.
    const double fourThreeHeight = m_frameWidth * m_pixelAspect * 3.0 / 4.0;
    const int scaleHeight = std::min(m_frameHeight, std::max(1, int(fourThreeHeight + 0.5)));
    if (!TextMetrics::ScaledSize(style, scaleHeight, m_points))
        return false;
    m_style.m_size = m_points;
    auto source = std::make_unique<CTxtSrcString>();
    if (!source->Measure(m_style, m_points))
        return false;
    m_string = std::move(source);
    // Natural pixel size: the reference height is the frame's own.
    SetSource(m_string.get());
    SetFit(kNaturalSize, m_frameHeight);
    const double W = m_frameWidth, H = m_frameHeight;
    double halfW = std::fabs(FitX()) * m_string->Width() * 0.5 / m_pixelAspect;
    double halfH = std::fabs(FitY()) * m_string->Height() * 0.5;
    double x = W * m_x, y = H * m_y;
    if (m_style.m_flags & CStyledString::kAlignLeft)
        x += halfW;
    else if (m_style.m_flags & CStyledString::kAlignRight)
        x -= halfW;
    if (m_style.m_flags & CStyledString::kAlignTop)
        y -= halfH;
    else if (m_style.m_flags & CStyledString::kAlignBottom)
        y += halfH;
    m_stringGlyph = std::make_unique<CGlyphSrc>(
        *this, *m_string, SRect{0, 0, m_string->Width(), m_string->Height()}, x, y, halfW, halfH);
    return true;
}

bool CTxtRender::BuildCharacters() {
    m_chars.clear();
    m_nodes.clear();
    m_lines.clear();
    std::shared_ptr<CFont> font = TextMetrics::FontFor(m_style, m_points);
    if (!font)
        return false;
    std::vector<std::u32string> lines = TextMetrics::SplitLines(m_style.m_text);
    const double W = m_frameWidth, H = m_frameHeight;
    const double o = std::fabs(FitX()) / m_pixelAspect;
    const double h2 = std::fabs(FitY()) * font->LineHeight() * 0.5;
    const double block = h2 * double(lines.size());
    const int flags = m_style.m_flags;
    for (std::size_t j = 0; j < lines.size(); ++j) {
        auto line = std::make_unique<CTxtSrcChar>();
        if (!line->Measure(*font, lines[j]))
            return false;
        double cy = H * m_y - h2 - 2 * h2 * double(j);
        if (flags & CStyledString::kAlignMiddle)
            cy += block;
        else if (flags & CStyledString::kAlignBottom)
            cy += 2 * block;
        double left = W * m_x;
        if (flags & CStyledString::kAlignCenter)
            left -= o * line->LineWidth() / 2.0;
        else if (flags & CStyledString::kAlignRight)
            left -= o * line->LineWidth();
        double before = 0;
        for (int i = 0; i < line->Count(); ++i) {
            double half = o * line->Advance(i) / 2.0;
            m_chars.push_back(std::make_unique<CGlyphSrc>(*this, *line, line->Cell(i),
                                                          left + o * before + half, cy, half, h2));
            before += line->Advance(i);
        }
        m_lines.push_back(std::move(line));
    }
    m_nodes.resize(m_chars.size());
    for (std::size_t i = 0; i < m_chars.size(); ++i)
        m_nodes[i] = {m_chars[i].get(), i ? &m_nodes[i - 1] : nullptr,
                      i + 1 < m_chars.size() ? &m_nodes[i + 1] : nullptr};
    return true;
}

void CTxtRender::SetEffect(CEffect* effect, double inOutFraction) {
    m_effect = effect;
    if (m_stringGlyph)
        m_stringGlyph->ResetTransform();
    ITextEffect* text = effect ? effect->GetTextEffect() : nullptr;
    if (!text || !m_stringGlyph) {
        m_effect = nullptr;
        return;
    }
    if (text->IsPerCharacter() ? !BuildCharacters() : false) {
        m_chars.clear();
        m_nodes.clear();
        m_lines.clear();
    }
    if (inOutFraction >= 0)
        text->SetInOutFraction(inOutFraction);
    effect->SetFrameCount(m_end - m_first);
    text->SetGlyphs(m_stringGlyph.get(), m_nodes.empty() ? nullptr : m_nodes.data());
}

bool CTxtRender::Rasterise() {
    if (!m_string || (!m_string->IsRasterised() && !m_string->Rasterise(m_style, m_points)))
        return false;
    bool linesDrawn = true;
    for (const auto& line : m_lines)
        linesDrawn = linesDrawn && line->IsRasterised();
    if (linesDrawn)
        return true;
    std::shared_ptr<CFont> font = TextMetrics::FontFor(m_style, m_points);
    if (!font)
        return false;
    std::vector<std::u32string> lines = TextMetrics::SplitLines(m_style.m_text);
    if (lines.size() != m_lines.size())
        return false;
    for (std::size_t j = 0; j < lines.size(); ++j)
        if (!m_lines[j]->IsRasterised() && !m_lines[j]->Rasterise(m_style, *font, lines[j]))
            return false;
    return true;
}

void CTxtRender::Release() {
    if (m_string)
        m_string->Release();
    for (const auto& line : m_lines)
        line->Release();
}

std::size_t CTxtRender::PixelBytes() const {
    std::size_t bytes = m_string ? m_string->Bytes() : 0;
    for (const auto& line : m_lines)
        bytes += line->Bytes();
    return bytes;
}

std::int64_t CTxtRender::RasterPixels() const {
    std::int64_t pixels = m_string ? std::int64_t(m_string->Width()) * m_string->Height() : 0;
    for (const auto& line : m_lines)
        pixels += std::int64_t(line->Width()) * line->Height();
    return pixels;
}

bool CTxtRender::DrawAt(int frame, const CImageView& target) {
    if (!IsShownAt(frame))
        return true;
    if (!m_stringGlyph || !Rasterise())
        return false;
    m_target = &target;
    bool ok = m_effect && !m_static ? m_effect->GetTextEffect()->RenderText(frame - m_first) != 0
                                    : DrawGlyph(*m_stringGlyph, nullptr);
    m_target = nullptr;
    return ok;
}

bool CTxtRender::DrawGlyph(CGlyphSrc& glyph, SEffectRect* drawn) {
    if (!m_target)
        return false;
    SetSource(&glyph.Source());
    if (!glyph.Source().SetCropRect(glyph.Crop()))
        return false;
    Refit();
    bool ok = Place(glyph.X(), glyph.Y(), glyph.Sx() * FitX(), glyph.Sy() * FitY(),
                    glyph.Angle() * M_PI + BaseRotation(), glyph.Opacity() * 255) &&
              Compose(*m_target, nullptr, false);
    if (drawn)
        *drawn = ok ? Dirty() : SEffectRect{0, 0, 0, 0};
    return ok;
}
