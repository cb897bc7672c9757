#include "effects/Effect.h"
#include "project/Album.h"
#include "project/Image.h"
#include "project/Slide.h"
#include "project/TextCaption.h"
#include "render/clock/TimerGenerate.h"
#include "render/frame/BufferedFrame.h"
#include "render/text/AlbumTextBuilder.h"
#include "render/text/CaptionFields.h"
#include "render/text/GlyphSrc.h"
#include "render/text/TextMetrics.h"
#include "render/text/TxtRender.h"
#include "render/text/TxtSrc.h"
#include "render/text/TxtTracks.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <memory>
#include <string>
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

// A text effect that records what the host asks of it and draws the string
// glyph at rest (or, with drawCharacters, every character glyph).
class CRecordingEffect final : public ITextEffect {
public:
    explicit CRecordingEffect(bool perCharacter, bool drawCharacters = false)
        : m_perCharacter(perCharacter), m_drawCharacters(drawCharacters) {}
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
        m_nodes = characters;
        m_characters = 0;
        for (SGlyphNode* n = characters; n; n = n->next)
            ++m_characters;
    }
    void SetInOutFraction(double f) override { m_fraction = f; }
    int RenderText(int frame) override {
        m_frames_drawn.push_back(frame);
        if (!m_drawCharacters || !m_nodes)
            return m_string->Render(nullptr);
        for (SGlyphNode* n = m_nodes; n; n = n->next)
            if (!n->glyph->Render(nullptr))
                return 0;
        return 1;
    }
    void Destroy() override { delete this; }

    bool m_perCharacter;
    bool m_drawCharacters;
    SGlyphNode* m_nodes = nullptr;
    int m_width = 0, m_height = 0, m_frames = 0, m_characters = -1;
    double m_fraction = -1;
    IEffectGlyphSrc* m_string = nullptr;
    std::vector<int> m_frames_drawn;
};

// Bytes of the distinct layers the captions warp into.
std::size_t LayerBytes(const std::vector<CTxtRender*>& captions) {
    std::map<const std::uint8_t*, std::size_t> layers;
    for (const CTxtRender* caption : captions) {
        const CImageView& layer = caption->Layer();
        if (layer.Bits())
            layers[layer.Bits()] = std::size_t(layer.Stride()) * std::size_t(layer.Height());
    }
    std::size_t bytes = 0;
    for (const auto& [bits, size] : layers)
        bytes += size;
    return bytes;
}

// Whether a caption holds pixels of its text (the string or a line of
// characters).
bool HoldsText(const CTxtRender& caption) {
    if (caption.StringGlyph()->Source().Source().Bits())
        return true;
    for (int i = 0; i < caption.CharacterCount(); ++i)
        if (caption.Character(i)->Source().Source().Bits())
            return true;
    return false;
}

std::vector<std::uint8_t> Pixels(const CImageView& view) {
    std::vector<std::uint8_t> bytes;
    for (int y = 0; y < view.Height(); ++y)
        bytes.insert(bytes.end(), view.Row(y), view.Row(y) + 4 * view.Width());
    return bytes;
}

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

// Text grows with the frame's height on 4:3 and wider frames; on square and
// vertical ones with the height of a 4:3 frame as wide, so it still fits.
TEST(TxtRender, TextScalesByTheHeightOfA43FrameAsWideAsNarrowerOnes) {
    auto points = [](int width, int height, double pixelAspect) {
        CTxtRender caption(width, height, true, pixelAspect, 0, 0);
        EXPECT_TRUE(caption.SetText(Style("kelvclip demo", 20)));
        return caption.Points();
    };
    EXPECT_EQ(points(1920, 1080, 1.0), points(1440, 1080, 1.0));
    EXPECT_EQ(points(720, 576, 16.0 / 15.0), points(768, 576, 1.0)); // a 4:3 DVD
    EXPECT_EQ(points(1080, 1920, 1.0), points(1080, 810, 1.0));      // vertical
    EXPECT_EQ(points(1080, 1080, 1.0), points(1080, 810, 1.0));      // square
    EXPECT_LT(points(1080, 1920, 1.0), points(1920, 1080, 1.0));
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

// A render's own fields go in first; what they leave is the slide facts'
// business, and a value shows exactly as typed, "%" and look-alike names too.
TEST(CaptionFields, ARendersFieldsAreFilledBeforeTheSlidesFacts) {
    const std::map<std::string, std::string> fields{
        {"NAME", "Ann 100% %SLIDE%"}, {"class_2", "4b"}, {"X", ""}};
    CSlide slide;
    auto shown = [&](const std::string& text) {
        return CaptionFields::Substitute(CaptionFields::Fill(text, fields), slide, 2, 5);
    };
    EXPECT_EQ(shown("Hello %NAME%!"), "Hello Ann 100% %SLIDE%!");
    EXPECT_EQ(shown("%class_2%/%SLIDE%/%X%/%NOPE%"), "4b/2//%NOPE%");
    // Case matters; "%%" stays a "%"; a slide fact is passed over whole, so
    // "%SLIDE%X%" is the fact and "X%", not "%SLIDE" and the field X.
    EXPECT_EQ(shown("%name% 50%%NAME% %SLIDE%X%"), "%name% 50%NAME% 2X%");
    EXPECT_EQ(shown("%NAME"), "%NAME");
    EXPECT_EQ(CaptionFields::Fill("%NAME%", {}), "%NAME%");

    for (const char* bad : {"", "FILE", "SLIDES", "DATE", "A B", "A-B", "Ä", "A%"})
        EXPECT_FALSE(CaptionFields::IsFieldName(bad)) << bad;
    for (const char* good : {"NAME", "name", "_1", "FILE2"})
        EXPECT_TRUE(CaptionFields::IsFieldName(good)) << good;
    EXPECT_EQ(CaptionFields::FieldsUsed("%B% %A% %%B%% %B% %FILE% %DATE%A%"),
              (std::vector<std::string>{"B", "A"}));
}

// Many captions on one slide, one after another: they warp into one shared
// frame-sized layer, and only the caption on screen holds the pixels of its
// text, however many there are.
TEST(TxtTracks, MemoryFollowsTheCaptionsOnScreen) {
    constexpr int kCaptions = 300;
    constexpr std::size_t kFrameBytes = 720 * 4 * 576;
    std::vector<std::unique_ptr<CEffect>> effects;
    CTimerGenerate clock;
    clock.SetFrameRate(25);
    clock.SetFrameCount(1000);
    CBufferedFrame layer(720, 576, true);
    CTxtTracks tracks(layer, 16.0 / 15.0, clock, true);
    std::vector<CTxtRender*> captions;
    for (int i = 0; i < kCaptions; ++i) {
        // Every tenth caption moves its characters one by one.
        CEffect* effect = nullptr;
        if (i % 10 == 0) {
            effects.push_back(
                std::make_unique<CEffect>(new CRecordingEffect(true, true), nullptr, 0));
            effect = effects.back().get();
        }
        CTxtRender* caption = tracks.Add(Style("Caption number " + std::to_string(i), 20, 544), 0,
                                         -0.3, i / 25.0, 1 / 25.0, -1, effect);
        ASSERT_NE(caption, nullptr);
        ASSERT_EQ(caption->FirstFrame(), i);
        ASSERT_EQ(caption->EndFrame(), i + 1);
        captions.push_back(caption);
    }
    ASSERT_GT(captions[0]->CharacterCount(), 0);
    ASSERT_LE(LayerBytes(captions), kFrameBytes) << "layers before any frame";
    ASSERT_EQ(std::count_if(captions.begin(), captions.end(),
                            [](const CTxtRender* c) { return HoldsText(*c); }),
              0);
    for (int f = 0; f <= kCaptions; ++f) {
        ASSERT_TRUE(tracks.DrawFrame(f)) << "frame " << f;
        ASSERT_LE(LayerBytes(captions), kFrameBytes) << "frame " << f;
        for (int i = 0; i < kCaptions; ++i)
            ASSERT_EQ(HoldsText(*captions[std::size_t(i)]), i == f)
                << "caption " << i << " at frame " << f;
        if (f < kCaptions) {
            ASSERT_GT(tracks.PixelBytes(), kFrameBytes);
            ASSERT_EQ(tracks.PixelBytes(), kFrameBytes + captions[std::size_t(f)]->PixelBytes());
        }
    }
    // Nothing on screen: nothing held.
    EXPECT_EQ(LayerBytes(captions), 0u);
    EXPECT_EQ(tracks.PixelBytes(), 0u);
}

// The shared layer and pixels made again after a caption left the screen
// give the frames that captions with layers of their own give.
TEST(TxtTracks, CaptionsSharingALayerDrawAsIfEachHadItsOwn) {
    struct SCaption {
        CStyledString style;
        double x, y;
        bool perCharacter;
    };
    CStyledString edged = Style("Edge\nand two lines", 22, 16 | 128, 0x00FFFF);
    edged.SetOwnColors(0x00FFFF, 3, 0x400000);
    const std::vector<SCaption> list = {{edged, -0.2, 0.1, false},
                                        {Style("one by one", 18, 544, 0x0000FF), 0.05, 0.0, true},
                                        {Style("on top", 26, 288, 0xFF00FF), 0.0, 0.05, false}};
    std::vector<std::unique_ptr<CEffect>> effects;
    auto effectFor = [&](const SCaption& c) -> CEffect* {
        if (!c.perCharacter)
            return nullptr;
        effects.push_back(std::make_unique<CEffect>(new CRecordingEffect(true, true), nullptr, 0));
        return effects.back().get();
    };
    const double aspect = 16.0 / 15.0;

    // Each caption with a layer of its own, drawn in order onto one frame.
    CBufferedFrame own(720, 576, true);
    own.FillBack(0);
    std::vector<std::unique_ptr<CTxtRender>> alone;
    for (const SCaption& c : list) {
        alone.push_back(std::make_unique<CTxtRender>(720, 576, true, aspect, c.x, c.y));
        ASSERT_TRUE(alone.back()->SetText(c.style));
        alone.back()->SetFrames(0, 50);
        alone.back()->SetEffect(effectFor(c), -1);
        ASSERT_TRUE(alone.back()->DrawAt(10, own.BackView()));
    }
    const std::vector<std::uint8_t> expected = Pixels(own.BackView());
    ASSERT_NE(std::count(expected.begin(), expected.end(), 0), std::ptrdiff_t(expected.size()));

    CTimerGenerate clock;
    clock.SetFrameRate(25);
    clock.SetFrameCount(1000);
    CBufferedFrame shared(720, 576, true);
    CTxtTracks tracks(shared, aspect, clock, true);
    for (const SCaption& c : list)
        ASSERT_NE(tracks.Add(c.style, c.x, c.y, 0, 2.0, -1, effectFor(c)), nullptr);
    auto front = [&](int frame) {
        EXPECT_TRUE(tracks.DrawFrame(frame));
        shared.Acquire();
        return Pixels(shared.FrontView());
    };
    EXPECT_TRUE(front(10) == expected);
    // Off screen the captions give their pixels back; back on screen they
    // look the same.
    front(80);
    EXPECT_EQ(tracks.PixelBytes(), 0u);
    EXPECT_TRUE(front(10) == expected);
}

// A frame shows at most kMaxShown captions, and their text takes at most
// kMaxShownPixels: captions past either limit are not added, while the same
// captions at other times are.
TEST(TxtTracks, CaptionsSharingAFrameAreCapped) {
    CTimerGenerate clock;
    clock.SetFrameRate(25);
    clock.SetFrameCount(100000);
    CBufferedFrame layer(320, 240, true);
    CTxtTracks tracks(layer, 1.0, clock, true);
    int added = 0;
    for (int i = 0; i < CTxtTracks::kMaxShown + 20; ++i)
        added += tracks.Add(Style("Crowd", 12), 0, 0, 0, 2.0, -1, nullptr) != nullptr;
    EXPECT_EQ(added, CTxtTracks::kMaxShown);
    EXPECT_EQ(tracks.Refused(), 20);
    // One more overlapping only the end of the crowd is refused; after it, taken.
    EXPECT_EQ(tracks.Add(Style("Late", 12), 0, 0, 1.9, 1.0, -1, nullptr), nullptr);
    EXPECT_NE(tracks.Add(Style("Later", 12), 0, 0, 2.0, 1.0, -1, nullptr), nullptr);

    // Text as large as a caption may be: two of them at once are too much.
    CStyledString huge = Style("WWWWWW", 2000);
    CTxtRender* first = tracks.Add(huge, 0, 0, 10.0, 1.0, -1, nullptr);
    ASSERT_NE(first, nullptr);
    ASSERT_GT(first->RasterPixels() * 2, CTxtTracks::kMaxShownPixels);
    EXPECT_EQ(tracks.Add(huge, 0, 0, 10.5, 1.0, -1, nullptr), nullptr);
    EXPECT_NE(tracks.Add(huge, 0, 0, 11.0, 1.0, -1, nullptr), nullptr);
    EXPECT_TRUE(tracks.DrawFrame(25));
}
