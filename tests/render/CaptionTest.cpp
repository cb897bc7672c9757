#include "effects/Effect.h"
#include "project/Album.h"
#include "project/Image.h"
#include "project/Slide.h"
#include "project/TextCaption.h"
#include "render/AlbumTextBuilder.h"
#include "render/BufferedFrame.h"
#include "render/CaptionFields.h"
#include "render/GlyphSrc.h"
#include "render/TextMetrics.h"
#include "render/TimerGenerate.h"
#include "render/TxtRender.h"
#include "render/TxtTracks.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

namespace {

using BGRA = std::array<std::uint8_t, 4>;

BGRA Pixel(const CImageView& view, int x, int y) {
    const std::uint8_t* p = view.Row(y) + 4 * x;
    return {p[0], p[1], p[2], p[3]};
}

CStyledString Style(const std::string& text, int points, int flags = 288, int colour = 0xFFFFFF) {
    CStyledString style;
    style.m_text = text;
    style.m_font = "DejaVu Sans";
    style.m_size = points;
    style.m_flags = flags;
    style.SetOwnColors(colour, 0, 0);
    return style;
}

// A text effect that records what the host asks of it and draws every glyph
// it was given at rest.
class CRecordingEffect final : public ITextEffect {
public:
    explicit CRecordingEffect(bool perCharacter) : m_perCharacter(perCharacter) {}
    int GetType() override { return kEffectText; }
    void GetName(char* text, int length) override { std::strncpy(text, "Recording", std::size_t(length)); }
    void GetDisplayName(char* text, int length) override { GetName(text, length); }
    CEffectSetting* GetParams(int* count) override { return *count = 0, nullptr; }
    int Render(int, std::uint8_t*, int) override { return 1; }
    const SEffectIcon* GetIcon() override { return nullptr; }
    void GetSize(int* w, int* h) override { *w = m_width, *h = m_height; }
    int GetFrameCount() override { return m_frames; }
    void SetSize(int w, int h) override { m_width = w, m_height = h; }
    void SetFrameCount(int n) override { m_frames = n; }
    void Reset() override { m_width = m_height = m_frames = 0; }
    int IsPerCharacter() override { return m_perCharacter; }
    void SetGlyphs(IEffectGlyphSrc* string, SGlyphNode* characters) override {
        m_string = string;
        m_characters = 0;
        for (SGlyphNode* n = characters; n; n = n->next)
            ++m_characters;
    }
    void SetInOutFraction(double f) override { m_fraction = f; }
    int RenderText(int frame) override {
        m_frames_drawn.push_back(frame);
        return m_string->Render(nullptr);
    }
    void Destroy() override { delete this; }

    bool m_perCharacter;
    int m_width = 0, m_height = 0, m_frames = 0, m_characters = -1;
    double m_fraction = -1;
    IEffectGlyphSrc* m_string = nullptr;
    std::vector<int> m_frames_drawn;
};

} // namespace

TEST(TextMetrics, LinesAndTheFrameScale) {
    EXPECT_EQ(TextMetrics::SplitLines("a\r\nb\n\rc\rd\ne"),
              (std::vector<std::u32string>{U"a", U"b", U"c", U"d", U"e"}));
    EXPECT_EQ(TextMetrics::SplitLines(""), std::vector<std::u32string>{U" "});
    EXPECT_EQ(TextMetrics::SplitLines("\xC3\xA9t\xC3\xA9"), std::vector<std::u32string>{U"\u00e9t\u00e9"});

    // 20 points on 240 lines are as tall as about 48 points on 576 lines.
    int points = 0;
    ASSERT_TRUE(TextMetrics::ScaledSize(Style("Caption", 20), 576, points));
    EXPECT_NEAR(points, 48, 2);
    ASSERT_TRUE(TextMetrics::ScaledSize(Style("Caption", 20), 240, points));
    EXPECT_EQ(points, 20);
    // Below 6 points a caption cannot be drawn.
    EXPECT_FALSE(TextMetrics::ScaledSize(Style("Caption", 4), 240, points));
    // A face nobody has falls back to the default sans face.
    CStyledString unknown = Style("Caption", 20);
    unknown.m_font = "No Such Face At All";
    EXPECT_TRUE(TextMetrics::ScaledSize(unknown, 576, points));
}

TEST(TxtRender, GlyphsAreCoverageInTheTextColourWithAnEdgeAround) {
    CBufferedFrame layer(200, 100, true);
    CTxtRender caption(200, 100, true, 1.0, 0, 0);
    CStyledString style = Style("\u2588", 40); // a full block: coverage 255 inside
    style.SetOwnColors(0x00FF00 /* green */, 2, 0x0000FF /* red */);
    ASSERT_TRUE(caption.SetText(style));
    caption.SetFrames(0, 10);
    CImageView& back = layer.BackView();
    ASSERT_TRUE(caption.DrawAt(3, back));
    // At the centre the glyph, exactly; two pixels beside its box the edge.
    EXPECT_EQ(Pixel(back, 100, 50), (BGRA{0, 255, 0, 255}));
    SEffectRect box{};
    caption.StringGlyph()->GetPlacement(nullptr, nullptr, &box);
    double x = 0, y = 0;
    caption.StringGlyph()->GetPlacement(&x, &y, nullptr);
    EXPECT_DOUBLE_EQ(x, 0);
    EXPECT_DOUBLE_EQ(y, 0);
    EXPECT_LT(box.left, 100);
    EXPECT_GT(box.right, 100);
    // Outside its frames nothing is drawn.
    back.Fill(0);
    ASSERT_TRUE(caption.DrawAt(10, back));
    EXPECT_EQ(Pixel(back, 100, 50), (BGRA{0, 0, 0, 0}));
}

TEST(TxtRender, AnchorsPutTheTextEdgeAtThePosition) {
    CTxtRender left(400, 100, true, 1.0, 0, 0), right(400, 100, true, 1.0, 0, 0);
    ASSERT_TRUE(left.SetText(Style("Text", 20, 16 | 256)));
    ASSERT_TRUE(right.SetText(Style("Text", 20, 64 | 256)));
    SEffectRect l{}, r{};
    left.StringGlyph()->GetPlacement(nullptr, nullptr, &l);
    right.StringGlyph()->GetPlacement(nullptr, nullptr, &r);
    EXPECT_NEAR(l.left, 200, 1);
    EXPECT_NEAR(r.right, 200, 1);
}

TEST(TxtRender, EffectsGetTheirFramesAndGlyphs) {
    CBufferedFrame layer(200, 100, true);
    for (bool perCharacter : {false, true}) {
        auto* recorder = new CRecordingEffect(perCharacter);
        CEffect effect(recorder, nullptr, 0);
        CTxtRender caption(200, 100, true, 1.0, 0, 0);
        ASSERT_TRUE(caption.SetText(Style("ab\ncde", 30)));
        caption.SetFrames(25, 75);
        caption.SetEffect(&effect, 0.25);
        EXPECT_EQ(recorder->m_frames, 50);
        EXPECT_DOUBLE_EQ(recorder->m_fraction, 0.25);
        EXPECT_EQ(recorder->m_characters, perCharacter ? 5 : 0);
        ASSERT_TRUE(caption.DrawAt(30, layer.BackView()));
        ASSERT_TRUE(caption.DrawAt(80, layer.BackView()));
        EXPECT_EQ(recorder->m_frames_drawn, std::vector<int>{5});
        if (perCharacter) {
            // Characters of a line sit side by side, left to right, and the
            // second line below the first.
            EXPECT_LT(caption.Character(0)->X(), caption.Character(1)->X());
            EXPECT_DOUBLE_EQ(caption.Character(0)->Y(), caption.Character(1)->Y());
            EXPECT_GT(caption.Character(1)->Y(), caption.Character(2)->Y());
        }
    }
}

TEST(TxtTracks, CaptionsOverlappingInTimeDrawInTheOrderAdded) {
    CTimerGenerate clock;
    clock.SetFrameRate(25);
    clock.SetFrameCount(500);
    CBufferedFrame layer(200, 100, true);
    CTxtTracks tracks(layer, 1.0, clock, true);
    CStyledString red = Style("\u2588", 40, 288, 0x0000FF), blue = Style("\u2588", 40, 288, 0xFF0000);
    // A caption from 1.0 s for 2.0 s on a slide that starts at 4 s: [125, 175).
    CTxtRender* first = tracks.Add(red, 0, 0, 4 + 1.0, 2.0, -1, nullptr);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->FirstFrame(), 125);
    EXPECT_EQ(first->EndFrame(), 175);
    ASSERT_NE(tracks.Add(blue, 0, 0, 6.0, 2.0, -1, nullptr), nullptr); // [150, 200)
    ASSERT_TRUE(tracks.Start(0));
    auto at = [&](int frame) {
        clock.SetFrame(frame, 1);
        layer.Acquire();
        return Pixel(layer.FrontView(), 100, 50);
    };
    EXPECT_EQ(at(100), (BGRA{0, 0, 0, 0}));
    EXPECT_EQ(at(130), (BGRA{0, 0, 255, 255}));
    EXPECT_EQ(at(160), (BGRA{255, 0, 0, 255})); // the later one on top
    EXPECT_EQ(at(180), (BGRA{255, 0, 0, 255}));
    EXPECT_EQ(at(200), (BGRA{0, 0, 0, 0}));
    EXPECT_EQ(at(174), (BGRA{255, 0, 0, 255}));
    EXPECT_EQ(at(126), (BGRA{0, 0, 255, 255}));
}

TEST(CaptionFields, NamesAreReplacedByTheSlidesFacts) {
    CTempDir dir;
    std::string photo = dir.WriteFile("holiday.jpg", std::string(2049, 'x'));
    CSlide slide;
    slide.AddItem(CImage(photo));
    EXPECT_EQ(CaptionFields::Substitute("%FILE% (%SIZE%) %SLIDE%/%SLIDES% 100%% %NOPE%", slide, 3, 8),
              "holiday.jpg (3 KB) 3/8 100% %NOPE%");
    // Values are not scanned again for names.
    CSlide named;
    named.AddItem(CImage(dir.WriteFile("%SLIDE%.jpg", "x")));
    EXPECT_EQ(CaptionFields::Substitute("%FILE%", named, 1, 1), "%SLIDE%.jpg");
    // Without a main item the file's facts are empty.
    CSlide empty;
    EXPECT_EQ(CaptionFields::Substitute("[%FILE%%DIMENSIONS%%DATE%]", empty, 1, 1), "[]");
}
