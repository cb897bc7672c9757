#include "base/MediaWarnings.h"
#include "base/Settings.h"
#include "project/TextCaption.h"
#include "render/AlbumDirector.h"
#include "render/clock/TimerGenerate.h"
#include "tests/render/AlbumTestKit.h"

#include <gtest/gtest.h>

using namespace AlbumTestKit;

namespace {

constexpr BGRA kRed{0, 0, 200, 255};
constexpr BGRA kGreen{0, 180, 0, 255};
constexpr BGRA kBlue{190, 0, 0, 255};

// An 80 x 64 director on a clock that waits for its renderers, as encoders use.
struct SDirectorRig {
    CTimerGenerate clock;
    std::unique_ptr<CAlbumDirector> director;

    explicit SDirectorRig(double fps, int width = 80, int height = 64, double pixelAspect = 1.0) {
        clock.SetFrameRate(fps);
        director = std::make_unique<CAlbumDirector>(CAlbumDirector::SSize{width, height},
                                                    pixelAspect, clock, false);
    }
    bool Load(CAlbum& album) {
        if (!director->LoadAlbum(&album, nullptr))
            return false;
        clock.SetFrameCount(director->GetFrameCount());
        return true;
    }
    const CImageView* At(int frame) {
        clock.SetFrame(frame, 1);
        return director->RenderCurrent(true);
    }
};

// Six slides of a second, red and blue in turn, with half-second transitions:
// at 10 frames a second slide k shows from frame 5 + 15 k for 10 frames.
void AddRedAndBlueSlides(CTempDir& dir, CAlbum& album) {
    std::string red = FlatPicture(dir, "red.png", 80, 60, {0, 0, 200});
    std::string blue = FlatPicture(dir, "blue.png", 80, 60, {190, 0, 0});
    for (int i = 0; i < 6; ++i)
        AddSlide(album, {i % 2 ? blue : red}, 1, 0.5);
    album.m_transitionLength = 0.5;
}

} // namespace

TEST(AlbumDirector, OneSlideOpensFromAndClosesIntoTransparentBlack) {
    CTempDir dir;
    CAlbum album;
    AddSlide(album, {FlatPicture(dir, "red.png", 80, 60, {0, 0, 200})}, 2, 2);
    album.m_transitionName = "Fade Plugin";
    album.m_transitionLength = 2;
    SDirectorRig rig(25);
    ASSERT_TRUE(rig.Load(album));
    EXPECT_EQ(rig.director->GetFrameCount(), 150);

    const CImageView* view = rig.At(0);
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(AllZero(*view)); // the fade starts wholly from the empty frame

    // The 4:3 picture fits the width exactly: rows 2 to 61, black bars above
    // and below (the slide's background colour).
    view = rig.At(75);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(Pixel(*view, 40, 32), kRed);
    EXPECT_EQ(Pixel(*view, 40, 0), (BGRA{0, 0, 0, 255}));
    EXPECT_EQ(Pixel(*view, 40, 63), (BGRA{0, 0, 0, 255}));

    // Half-way through the opening fade both pictures weigh about the same.
    view = rig.At(25);
    ASSERT_NE(view, nullptr);
    EXPECT_NEAR(Pixel(*view, 40, 32)[2], 100, 3);

    view = rig.At(149);
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(AllZero(*view)); // the closing fade ends wholly in the empty frame

    rig.clock.SetFrame(150, 1);
    EXPECT_EQ(rig.clock.GetCurrentFrame(), 149); // the clock clamps
}

TEST(AlbumDirector, OneFrameTransitionsShowTheIncomingSlideAndBrokenPicturesOnlyTheirPlace) {
    CTempDir dir;
    CAlbum album;
    std::string red = FlatPicture(dir, "red.png", 80, 60, {0, 0, 200});
    AddSlide(album, {red}, 1, 0.04);                        // a one-frame opening
    AddSlide(album, {dir / "missing.png"}, 1, 0);           // its picture cannot be loaded
    AddSlide(album, {red}, 1, 0.2, "No Such Transition");   // falls back to the first
    album.m_transitionLength = 0;
    SDirectorRig rig(25);
    ASSERT_TRUE(rig.Load(album));
    // 1 + 25, 0 + 25, 5 + 25, closing 0: the slide keeps its time.
    EXPECT_EQ(rig.director->GetFrameCount(), 81);

    EXPECT_EQ(Pixel(*rig.At(0), 40, 32), kRed); // one frame: the incoming slide, not black
    EXPECT_EQ(Pixel(*rig.At(10), 40, 32), kRed);
    // The slide whose picture failed shows the rest of itself: its opaque
    // black background, where the picture would be too.
    EXPECT_EQ(Pixel(*rig.At(30), 40, 32), (BGRA{0, 0, 0, 255}));
    const CImageView* view = rig.At(53);     // inside the fallback transition
    ASSERT_NE(view, nullptr);
    EXPECT_GT(Pixel(*view, 40, 32)[2], 0);
    EXPECT_LT(Pixel(*view, 40, 32)[2], 200);
    EXPECT_EQ(Pixel(*rig.At(70), 40, 32), kRed);
}

// A picture that cannot be decoded on a slide of several leaves only its own
// place empty: the others and the background still show.
TEST(AlbumDirector, ABrokenPictureBesideAGoodOneLeavesTheGoodOne) {
    CTempDir dir;
    CAlbum album;
    const std::string red = FlatPicture(dir, "red.png", 80, 60, {0, 0, 200});
    const std::string text = dir.WriteFile("notes.jpg", "my notes, not a picture");
    CSlide* slide = AddSlide(album, {red, text}, 1, 0);
    slide->m_backgroundColor = 0x00503020; // blue 0x50, green 0x30, red 0x20
    album.m_transitionLength = 0;
    SDirectorRig rig(25);
    ASSERT_TRUE(rig.Load(album));
    EXPECT_EQ(Pixel(*rig.At(10), 40, 32), kRed);
}

TEST(AlbumDirector, AOneFrameTransitionBetweenSlidesShowsTheIncomingOne) {
    CTempDir dir;
    CAlbum album;
    std::string red = FlatPicture(dir, "red.png", 80, 60, {0, 0, 200});
    std::string blue = FlatPicture(dir, "blue.png", 80, 60, {190, 0, 0});
    AddSlide(album, {red}, 1, 0);
    AddSlide(album, {blue}, 1, 0.04, "Puzzle Mask"); // one frame at 25 per second
    album.m_transitionLength = 0;
    SDirectorRig rig(25);
    ASSERT_TRUE(rig.Load(album));
    ASSERT_EQ(rig.director->GetFrameCount(), 51);
    EXPECT_EQ(Pixel(*rig.At(24), 40, 32), kRed);
    EXPECT_EQ(Pixel(*rig.At(25), 40, 32), kBlue); // the transition's frame: not black
    EXPECT_EQ(Pixel(*rig.At(26), 40, 32), kBlue);
}

TEST(AlbumDirector, SteppingShiftsTheRingAndJumpsReset) {
    CTempDir dir;
    CAlbum album;
    AddRedAndBlueSlides(dir, album);
    SDirectorRig rig(10);
    ASSERT_TRUE(rig.Load(album));
    ASSERT_EQ(rig.director->GetFrameCount(), 95);
    EXPECT_EQ(rig.director->LoadCount(), 3); // current, next, previous

    // Frame by frame the ring moves one slide at a time, one load per slide.
    for (int frame = 0; frame < 95; ++frame) {
        const CImageView* view = rig.At(frame);
        ASSERT_NE(view, nullptr) << frame;
        int slide = (frame - 5) / 15, inSlide = (frame - 5) % 15;
        if (frame >= 5 && inSlide < 10 && slide < 6) {
            EXPECT_EQ(Pixel(*view, 40, 32), slide % 2 ? kBlue : kRed) << frame;
        }
    }
    EXPECT_EQ(rig.director->LoadCount(), 3 + 5);

    // A jump back over five slides reloads all three slots.
    EXPECT_EQ(Pixel(*rig.At(7), 40, 32), kRed);
    EXPECT_EQ(rig.director->LoadCount(), 3 + 5 + 3);
    // One step back over a slide boundary is a shift: one load.
    EXPECT_EQ(Pixel(*rig.At(22), 40, 32), kBlue);
    EXPECT_EQ(Pixel(*rig.At(7), 40, 32), kRed);
    EXPECT_EQ(rig.director->LoadCount(), 3 + 5 + 3 + 2);
}

// A load or a jump readies the slide it lands on before it returns; its
// neighbours load meanwhile, and a frame of a transition waits for both.
TEST(AlbumDirector, ATransitionRightAfterALoadOrAJumpShowsBothSlides) {
    CTempDir dir;
    CAlbum album;
    AddRedAndBlueSlides(dir, album);
    auto showsBoth = [](const CImageView& view) {
        bool reds = false, blues = false;
        for (int y = 0; y < view.Height(); ++y)
            for (int x = 0; x < view.Width(); ++x) {
                const BGRA p = Pixel(view, x, y);
                reds = reds || p[2] > 60;
                blues = blues || p[0] > 60;
            }
        return reds && blues;
    };
    for (int frame : {17, 47, 77}) { // halfway between slides 0 and 1, 2 and 3, 4 and 5
        SDirectorRig rig(10);
        ASSERT_TRUE(rig.Load(album));
        const CImageView* view = rig.At(frame);
        ASSERT_NE(view, nullptr) << frame;
        EXPECT_TRUE(showsBoth(*view)) << frame;
        // And once more after jumping away and back.
        ASSERT_NE(rig.At(frame > 40 ? 7 : 92), nullptr);
        view = rig.At(frame);
        ASSERT_NE(view, nullptr) << frame;
        EXPECT_TRUE(showsBoth(*view)) << frame;
    }
}

TEST(AlbumDirector, ReplacedPicturesShowAtOnce) {
    CTempDir dir;
    CAlbum album;
    AddSlide(album, {FlatPicture(dir, "red.png", 80, 60, {0, 0, 200})}, 1, 0);
    AddSlide(album, {dir / "red.png"}, 1, 0);
    SDirectorRig rig(10);
    ASSERT_TRUE(rig.Load(album));
    EXPECT_EQ(rig.director->ReplacePicture(2, 0, "x.png"), 0);
    EXPECT_EQ(rig.director->ReplacePicture(-1, 0, "x.png"), 0);
    ASSERT_EQ(rig.director->ReplacePicture(1, 0, FlatPicture(dir, "green.png", 80, 60, {0, 180, 0})), 1);
    EXPECT_EQ(album.GetSlide(1)->GetItem(0)->m_file, dir / "green.png");
    EXPECT_EQ(Pixel(*rig.At(5), 40, 32), kRed);
    EXPECT_EQ(Pixel(*rig.At(15), 40, 32), kGreen);

    // A background picture fills the bars around the picture.
    album.GetSlide(0)->m_backgroundMode = CSlide::kBackgroundStretch;
    ASSERT_EQ(rig.director->SetBackgroundPicture(0, dir / "green.png"), 1);
    EXPECT_EQ(Pixel(*rig.At(5), 40, 1), kGreen);
    EXPECT_EQ(Pixel(*rig.At(5), 40, 32), kRed);
    // The stretched background's outer rows sample a sixteenth of a pixel
    // beyond its outer pixel centres, into the faded edge: both alike.
    for (int y : {0, 63}) {
        const BGRA edge = Pixel(*rig.At(5), 40, y);
        EXPECT_NEAR(edge[1], kGreen[1], 8) << "row " << y;
        EXPECT_NEAR(edge[3], 255, 10) << "row " << y;
    }
}

TEST(AlbumDirector, DraftPicturesReachTheDecoder) {
    // A large progressive JPEG cut after its DC scans: a draft, decoded at
    // one eighth from those scans alone, shows it; a whole decode reports
    // the picture truncated and its place shows the slide's background.
    STestImage red(1600, 1280, [](int, int) { return std::array<std::uint8_t, 4>{0, 0, 200, 255}; });
    const std::string jpeg = JpegBytes(red, {.quality = 90, .progressive = true});
    std::vector<std::size_t> scans;
    for (std::size_t i = 0; i + 1 < jpeg.size(); ++i)
        if (std::uint8_t(jpeg[i]) == 0xFF && std::uint8_t(jpeg[i + 1]) == 0xDA)
            scans.push_back(i);
    ASSERT_EQ(scans.size(), 10u);
    CTempDir dir;
    const std::string cut = dir.WriteFile("cut.jpg", jpeg.substr(0, scans[7]));
    CAlbum album;
    AddSlide(album, {cut}, 1, 0);
    for (bool draft : {false, true}) {
        SDirectorRig rig(10);
        rig.director->SetDraftPictures(draft);
        ASSERT_TRUE(rig.Load(album));
        const BGRA centre = Pixel(*rig.At(5), 40, 32);
        if (draft)
            EXPECT_NEAR(centre[2], 200, 4);
        else
            EXPECT_EQ(centre, (BGRA{0, 0, 0, 255}));
    }
}

TEST(AlbumDirector, OverlayPictureSitsInItsCorner) {
    CTempDir dir;
    CAlbum album;
    AddSlide(album, {FlatPicture(dir, "red.png", 80, 60, {0, 0, 200})}, 1, 0);
    SOverlayChoice overlay;
    overlay.standard = {FlatPicture(dir, "logo.png", 20, 10, {0, 180, 0}),
                        EOverlayCorner::kTopLeft};
    // At the reference height of 576 the logo keeps its own size.
    SDirectorRig rig(10, 720, 576);
    rig.director->SetOverlay(overlay);
    ASSERT_TRUE(rig.Load(album));
    ASSERT_TRUE(rig.director->OverlayActive());
    const CImageView* view = rig.At(5);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(Pixel(*view, 10, 5), kGreen);
    EXPECT_EQ(Pixel(*view, 1, 1), kGreen);
    EXPECT_NE(Pixel(*view, 25, 5), kGreen);
    EXPECT_NE(Pixel(*view, 10, 14), kGreen);

    // Another corner for the same file moves it at the next load.
    overlay.standard.corner = EOverlayCorner::kBottomRight;
    rig.director->SetOverlay(overlay);
    ASSERT_TRUE(rig.Load(album));
    view = rig.At(5);
    EXPECT_EQ(Pixel(*view, 719 - 10, 575 - 5), kGreen);
    EXPECT_NE(Pixel(*view, 10, 5), kGreen);

    // A file that is neither picture nor clip shows none, and says so.
    std::vector<std::string> reports;
    {
        CMediaWarnings::CScope listen(
            [&](const std::string& file, const std::string&) { reports.push_back(file); });
        overlay.standard.picture = dir / "logo.xyz";
        rig.director->SetOverlay(overlay);
        ASSERT_TRUE(rig.Load(album));
    }
    EXPECT_FALSE(rig.director->OverlayActive());
    EXPECT_EQ(reports, std::vector<std::string>{dir / "logo.xyz"});

    // A 16:9 display (DVD PAL pixels) takes the wide overlay and its corner;
    // its square display pixels make the 20-pixel logo 14 stored pixels wide.
    overlay.wide = {FlatPicture(dir, "wide.png", 20, 10, {190, 0, 0}), EOverlayCorner::kTopRight};
    SDirectorRig wide(10, 720, 576, 16.0 / 9.0 * 576 / 720);
    wide.director->SetOverlay(overlay);
    EXPECT_FALSE(rig.director->IsWide());
    EXPECT_TRUE(wide.director->IsWide());
    ASSERT_TRUE(wide.Load(album));
    ASSERT_TRUE(wide.director->OverlayActive());
    const CImageView* wideView = wide.At(5);
    ASSERT_NE(wideView, nullptr);
    EXPECT_EQ(Pixel(*wideView, 719 - 7, 5), kBlue);
    EXPECT_NE(Pixel(*wideView, 719 - 18, 5), kBlue);
    EXPECT_NE(Pixel(*wideView, 10, 5), kGreen);

    // A vertical frame (square pixels) sizes it as a 4:3 frame as wide
    // does: 1080 wide counts as 810 lines, so the 20-pixel logo is 28
    // pixels wide, not the 67 its 1920 lines would make.
    overlay.standard = {dir / "logo.png", EOverlayCorner::kTopLeft};
    SDirectorRig tall(10, 1080, 1920);
    tall.director->SetOverlay(overlay);
    ASSERT_TRUE(tall.Load(album));
    ASSERT_TRUE(tall.director->OverlayActive());
    const CImageView* tallView = tall.At(5);
    ASSERT_NE(tallView, nullptr);
    EXPECT_EQ(Pixel(*tallView, 25, 5), kGreen);
    EXPECT_NE(Pixel(*tallView, 32, 5), kGreen);
    EXPECT_NE(Pixel(*tallView, 10, 16), kGreen);
}

TEST(AlbumDirector, OverlaySettingsNameAFileAndACorner) {
    CScopedSettings settings;
    EXPECT_TRUE(OverlayFromSettings().standard.picture.empty());
    SetSettingString("WmStd", "/logos/std.png");
    SetSettingInt("WmStdPos", 4);
    SetSettingString("WmWide", "/logos/wide.png");
    SetSettingInt("WmWidePos", 7); // not a corner: the centre
    const SOverlayChoice overlay = OverlayFromSettings();
    EXPECT_EQ(overlay.standard, (SOverlay{"/logos/std.png", EOverlayCorner::kBottomRight}));
    EXPECT_EQ(overlay.wide, (SOverlay{"/logos/wide.png", EOverlayCorner::kCentre}));
    EXPECT_EQ(overlay.For(true).picture, "/logos/wide.png");
}

// Slides share decoded pictures only within what the director was given: a
// picture put in place again after its file changed is decoded afresh, also
// while another slot still shows the picture as it was.
TEST(AlbumDirector, APictureReplacedAfterItsFileChangedShowsTheFileAsItIs) {
    CTempDir dir;
    CAlbum album;
    const std::string photo = FlatPicture(dir, "photo.png", 80, 60, {0, 0, 200});
    AddSlide(album, {photo}, 1, 0);
    AddSlide(album, {photo}, 1, 0);
    SDirectorRig rig(10);
    ASSERT_TRUE(rig.Load(album));
    EXPECT_EQ(Pixel(*rig.At(5), 40, 32), kRed);
    EXPECT_EQ(Pixel(*rig.At(15), 40, 32), kRed);
    EXPECT_EQ(rig.director->Pictures().Count(), 1);
    FlatPicture(dir, "photo.png", 80, 60, {0, 180, 0});
    ASSERT_EQ(rig.director->ReplacePicture(1, 0, photo), 1);
    EXPECT_EQ(Pixel(*rig.At(15), 40, 32), kGreen);
}

// The caption layer costs a frame's memory: it is made for the first album
// with captions, and then draws them.
TEST(AlbumDirector, TheCaptionLayerComesWithTheFirstAlbumThatHasCaptions) {
    CTempDir dir;
    CAlbum plain;
    AddSlide(plain, {FlatPicture(dir, "red.png", 80, 60, {0, 0, 200})}, 1, 0);
    CTimerGenerate clock;
    clock.SetFrameRate(10);
    CAlbumDirector director({80, 64}, 1.0, clock, true);
    ASSERT_TRUE(director.LoadAlbum(&plain, nullptr));
    EXPECT_EQ(director.TextBuilder(), nullptr);

    CAlbum captioned;
    AddSlide(captioned, {FlatPicture(dir, "red2.png", 80, 60, {0, 0, 200})}, 1, 0);
    CTextCaption caption;
    caption.m_text.m_text = "W";
    caption.m_text.m_size = 40;
    caption.m_text.SetColor(0xFFFFFF);
    caption.m_duration = 1;
    captioned.GetSlide(0)->AddCaption(caption);
    ASSERT_TRUE(director.LoadAlbum(&captioned, nullptr));
    ASSERT_NE(director.TextBuilder(), nullptr);
    clock.SetFrameCount(director.GetFrameCount());
    clock.SetFrame(5, 1);
    const CImageView* view = director.RenderCurrent(true);
    ASSERT_NE(view, nullptr);
    int light = 0;
    for (int y = 0; y < view->Height(); ++y)
        for (int x = 0; x < view->Width(); ++x)
            light += Pixel(*view, x, y)[1] > 100;
    EXPECT_GT(light, 20); // the white letter over the red picture

    // Back to the album without captions: the layer stays, empty.
    ASSERT_TRUE(director.LoadAlbum(&plain, nullptr));
    EXPECT_NE(director.TextBuilder(), nullptr);
}
