#include "base/MediaWarnings.h"
#include "media/PictureBudget.h"
#include "project/AssetLoader.h"
#include "project/ImageSamp.h"
#include "project/Video.h"
#include "render/RenderModelBuilder.h"
#include "render/clock/TimerGenerate.h"
#include "render/frame/BufferedFrame.h"
#include "render/frame/FrameSrcImage.h"
#include "render/frame/FrameSrcVideo.h"
#include "render/frame/PictureStore.h"
#include "tests/render/AlbumTestKit.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <map>
#include <thread>

using namespace AlbumTestKit;

namespace {

constexpr BGRA kRed{0, 0, 200, 255};
constexpr BGRA kBlue{190, 0, 0, 255};

// One slot: an 80 x 64 bottom-up frame set and its builder on a waiting clock.
struct SSlotRig {
    CTimerGenerate clock;
    CBufferedFrame frame{80, 64, true};
    std::unique_ptr<CRenderModelBuilder> builder;

    explicit SSlotRig(double fps = 10) {
        clock.SetFrameRate(fps);
        clock.SetFrameCount(1000);
        builder = std::make_unique<CRenderModelBuilder>(frame, 1.0, clock);
    }
    const CImageView& At(int frame) {
        clock.SetFrame(frame, 1);
        this->frame.Acquire();
        return this->frame.FrontView();
    }
};

// A slide of two pictures, red and blue, with a layout.
CSlide* TwoPictureSlide(CAlbum& album, const CTempDir& dir, const std::string& layout) {
    CSlide* slide = AddSlide(album,
                             {FlatPicture(dir, "red.png", 80, 60, {0, 0, 200}),
                              FlatPicture(dir, "blue.png", 80, 60, {190, 0, 0})},
                             1, 0);
    slide->m_layoutName = layout;
    slide->m_backgroundColor = 0x00FFFFFF;
    return slide;
}

} // namespace

TEST(RenderModelBuilder, LayoutsPlaceThePicturesLiveOrThroughKeyFrames) {
    CTempDir dir;
    for (const char* layout : {"Test Halves", "Test Keys"}) {
        CAlbum album;
        CSlide* slide = TwoPictureSlide(album, dir, layout);
        SSlotRig rig;
        ASSERT_TRUE(rig.builder->Load(slide, nullptr, true, true)) << layout;
        EXPECT_EQ(rig.builder->UsesLayout(), std::string(layout) == "Test Halves");
        ASSERT_TRUE(rig.builder->Start(0));
        const CImageView& view = rig.At(3);
        // Each picture at half its fitted size, centred on its half of the frame.
        EXPECT_EQ(Pixel(view, 20, 32), kRed) << layout;
        EXPECT_EQ(Pixel(view, 60, 32), kBlue) << layout;
        EXPECT_EQ(Pixel(view, 40, 5), (BGRA{255, 255, 255, 255})) << layout;

        // Without layouts a slide of several pictures shows its composite only.
        ASSERT_TRUE(rig.builder->Load(slide, nullptr, false, true));
        EXPECT_EQ(rig.builder->Active().ClipCount(), 0);
    }
}

TEST(RenderModelBuilder, TwoSlotsWithOneLiveLayoutKeepTheirPicturesApart) {
    CTempDir dir;
    CAlbum album;
    CSlide* first = TwoPictureSlide(album, dir, "Test Halves");
    CSlide* second = AddSlide(album,
                              {FlatPicture(dir, "green.png", 80, 60, {0, 180, 0}), dir / "red.png"},
                              1, 0);
    second->m_layoutName = "Test Halves";
    CTimerGenerate clock;
    clock.SetFrameRate(10);
    clock.SetFrameCount(100);
    CBufferedFrame frameA(80, 64, true), frameB(80, 64, true);
    CRenderModelBuilder a(frameA, 1.0, clock), b(frameB, 1.0, clock);
    a.RequestLoad(first, nullptr, true, 0);
    b.RequestLoad(second, nullptr, true, 0);
    a.WaitForLoader();
    b.WaitForLoader();
    for (int f = 0; f < 8; ++f) {
        clock.SetFrame(f, 1);
        frameA.Acquire();
        frameB.Acquire();
        ASSERT_EQ(Pixel(frameA.FrontView(), 20, 32), kRed) << f;
        ASSERT_EQ(Pixel(frameA.FrontView(), 60, 32), kBlue) << f;
        ASSERT_EQ(Pixel(frameB.FrontView(), 20, 32), (BGRA{0, 180, 0, 255})) << f;
        ASSERT_EQ(Pixel(frameB.FrontView(), 60, 32), kRed) << f;
    }
}

TEST(RenderModelBuilder, KeyFramesAndPicturesThatCannotBeUsedFailTheLoad) {
    CTempDir dir;
    CAlbum album;
    std::string red = FlatPicture(dir, "red.png", 80, 60, {0, 0, 200});
    CSlide* slide = AddSlide(album, {red}, 1, 0);
    album.m_transitionLength = 0;
    SSlotRig rig;

    // Times 0, 0.5 and 0.5: the second 0.5 cannot be inserted.
    CAlbumItem* item = slide->GetItem(0);
    item->ClearKeyFrames();
    for (double t : {0.0, 0.5, 0.5}) {
        CKeyFrame key;
        key.m_time = t;
        item->AddKeyFrame(key);
    }
    EXPECT_FALSE(rig.builder->Load(slide, nullptr, true, true));

    // A slide of one frame puts both key-frames on frame 0.
    item->ResetKeyFrames();
    slide->m_displayTime = 0.1;
    EXPECT_FALSE(rig.builder->Load(slide, nullptr, true, true));
    slide->m_displayTime = 1;
    EXPECT_TRUE(rig.builder->Load(slide, nullptr, true, true));

    // A picture that cannot be decoded keeps its place empty; the slide
    // loads, so its background and other items still show.
    item->m_file = dir.WriteFile("cut.png", ReadWholeFile(red).substr(0, 60));
    EXPECT_TRUE(rig.builder->Load(slide, nullptr, true, true));
    item->m_file = dir / "nothing-here.png";
    EXPECT_TRUE(rig.builder->Load(slide, nullptr, true, true));
}

TEST(RenderModelBuilder, PanAndZoomFollowTheKeyFrames) {
    CTempDir dir;
    CAlbum album;
    CSlide* slide = AddSlide(album, {FlatPicture(dir, "red.png", 80, 60, {0, 0, 200})}, 1, 0);
    slide->m_backgroundColor = 0x00FFFFFF;
    album.m_transitionLength = 0;
    CAlbumItem* item = slide->GetItem(0);
    item->ClearKeyFrames();
    CKeyFrame start, end;
    start.m_scale = 0.5;
    end.m_time = 1;
    end.m_scale = 0.5;
    end.m_x = 0.25; // a quarter of the frame to the right
    item->AddKeyFrame(start);
    item->AddKeyFrame(end);
    SSlotRig rig;
    ASSERT_TRUE(rig.builder->Load(slide, nullptr, true, true));
    ASSERT_TRUE(rig.builder->Start(0));
    // N = 10 frames: the picture (40 x 30) moves from the centre by 20 pixels,
    // warped anew on every frame.
    for (int f = 1; f < 9; ++f)
        rig.At(f);
    EXPECT_EQ(rig.builder->Active().Selected()->Pipeline().WarpCount(), 8);
    EXPECT_EQ(Pixel(rig.At(0), 40, 32), kRed);
    EXPECT_EQ(Pixel(rig.At(0), 10, 32), (BGRA{255, 255, 255, 255}));
    EXPECT_EQ(Pixel(rig.At(9), 60, 32), kRed);
    EXPECT_EQ(Pixel(rig.At(9), 30, 32), (BGRA{255, 255, 255, 255}));
    // Outside the slide's frames no clip is drawn: the background alone, in
    // each of the three buffers in turn (filled once, then left as they are).
    for (int f = 12; f < 18; ++f)
        EXPECT_EQ(Pixel(rig.At(f), 60, 32), (BGRA{255, 255, 255, 255})) << "frame " << f;
    EXPECT_EQ(Pixel(rig.At(5), 50, 32), kRed) << "the picture drawn again over a plain buffer";

    // A still slide warps its first frame straight into the frame, then once
    // into its layer, which every frame after only composes.
    item->ClearKeyFrames();
    item->ResetKeyFrames();
    ASSERT_TRUE(rig.builder->Load(slide, nullptr, true, true));
    ASSERT_TRUE(rig.builder->Start(0));
    for (int f = 0; f < 9; ++f)
        rig.At(f);
    EXPECT_EQ(rig.builder->Active().Selected()->Pipeline().WarpCount(), 2);
}

TEST(RenderModelBuilder, SamplePicturesAndVideoClips) {
    CTempDir dir;
    CAlbum album;
    CSlide* slide = AddSlide(album, {}, 3, 0);
    album.m_transitionLength = 0;
    slide->AddItem(CImageSamp());
    SSlotRig rig(25);
    ASSERT_TRUE(rig.builder->Load(slide, nullptr, true, true));
    ASSERT_TRUE(rig.builder->Start(0));
    EXPECT_EQ(Pixel(rig.At(1), 40, 32)[3], 255);

    SClipOptions options;
    options.width = 320;
    options.height = 240;
    std::string clip = dir / "clip.mpg";
    ASSERT_TRUE(WriteClip(clip, options));
    slide->RemoveItems();
    CVideo video(clip);
    video.m_startOffset = 0.2; // five frames in
    slide->AddItem(video);
    ASSERT_TRUE(rig.builder->Load(slide, nullptr, true, true));
    ASSERT_TRUE(rig.builder->Start(0));
    for (int f : {0, 7, 3, 20, 60}) {
        const CImageView& view = rig.At(f);
        // The clip's numbered frames, fitted to the whole 80 x 64 frame set.
        int expected = f < 25 ? 5 + f : 29; // past its end the last frame stays
        EXPECT_EQ(ReadClipNumber(view.Row(2), view.IsBottomUp() ? -view.Stride() : view.Stride(),
                                 80, 60),
                  expected)
            << f;
    }
}

TEST(FrameSrcImage, DecodesFilesAndBytesWithinTheMaximumSize) {
    CTempDir dir;
    std::string jpeg = dir.WriteFile("q.jpg", JpegBytes(QuadrantImage(800, 600)));
    CFrameSrcImage image;
    ASSERT_TRUE(image.Load(jpeg, 200, 200));
    EXPECT_EQ(image.Source().Width(), 200);
    EXPECT_EQ(image.Source().Height(), 150);
    std::string bytes = ReadWholeFile(jpeg);
    ASSERT_TRUE(image.LoadFromMemory(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                     bytes.size(), 0, 0));
    EXPECT_EQ(image.Source().Width(), 800);
    EXPECT_EQ(image.Prepared().Width(), 880); // the 40-pixel margin on both sides
    EXPECT_FALSE(image.LoadFromMemory(reinterpret_cast<const std::uint8_t*>(bytes.data()), 100, 0, 0));
    EXPECT_FALSE(image.Load(dir / "absent.jpg", 0, 0));
}

namespace {

// A package's pictures in memory; counts what it is asked for.
class CCountingAssets final : public IAssetLoader {
public:
    bool LoadAsset(const std::string& path, std::vector<std::uint8_t>& data) override {
        ++asked;
        auto found = files.find(path);
        if (found == files.end())
            return false;
        data.assign(found->second.begin(), found->second.end());
        return true;
    }
    std::map<std::string, std::string> files;
    std::atomic<int> asked{0};
};

std::string FlatPng(int width, int height, std::array<std::uint8_t, 3> bgr) {
    return PngBytes(STestImage(width, height,
                               [bgr](int, int) {
                                   return std::array<std::uint8_t, 4>{bgr[0], bgr[1], bgr[2], 255};
                               }),
                    false);
}

CFrameSrcImage& PictureOf(CRenderModelBuilder& builder, int clip) {
    builder.Active().Select(clip);
    return dynamic_cast<CFrameSrcImage&>(builder.Active().Selected()->Source());
}

bool SameFrames(const CImageView& a, const CImageView& b) {
    for (int y = 0; y < a.Height(); ++y)
        if (std::memcmp(a.Row(y), b.Row(y), std::size_t(a.Width()) * 4) != 0)
            return false;
    return true;
}

} // namespace

// Items that show one file decoded for the same box share one picture, read
// and decoded once, whatever their adjustments; the frames are those of
// items decoded each for itself. Nothing stays once the slide goes.
TEST(RenderModelBuilder, ItemsShowingOneFileAtOneSizeShareOneDecodedPicture) {
    const std::string red = "Z:\\Files\\red.png", blue = "Z:\\Files\\blue.png";
    CCountingAssets assets;
    assets.files[red] = FlatPng(80, 60, {0, 0, 200});
    assets.files[blue] = FlatPng(80, 60, {190, 0, 0});
    CAlbum album;
    CSlide* slide = AddSlide(album, {red, red, blue, red, red}, 1, 0);
    slide->m_layoutName = "Test Halves";
    slide->GetItem(1)->m_brightness = 0.5;
    slide->GetItem(4)->m_cropWidth = 0.5; // a larger decode box: decoded again

    const std::uint64_t before = CPictureBudget::InUse();
    CPictureStore store;
    SSlotRig shared, alone;
    shared.builder->SetPictureStore(&store);
    ASSERT_TRUE(shared.builder->Load(slide, &assets, true, true));
    EXPECT_EQ(assets.asked, 3);
    EXPECT_EQ(store.Count(), 3);
    const CKeptPicture* first = PictureOf(*shared.builder, 0).Picture().get();
    EXPECT_EQ(PictureOf(*shared.builder, 1).Picture().get(), first);
    EXPECT_EQ(PictureOf(*shared.builder, 3).Picture().get(), first);
    EXPECT_NE(PictureOf(*shared.builder, 2).Picture().get(), first);
    EXPECT_NE(PictureOf(*shared.builder, 4).Picture().get(), first);

    ASSERT_TRUE(alone.builder->Load(slide, &assets, true, true));
    EXPECT_EQ(assets.asked, 3 + 5);
    ASSERT_TRUE(shared.builder->Start(0));
    ASSERT_TRUE(alone.builder->Start(0));
    for (int f : {0, 4, 9})
        EXPECT_TRUE(SameFrames(shared.At(f), alone.At(f))) << f;

    // Two slots loading on their workers at once share with each other too.
    SSlotRig other;
    other.builder->SetPictureStore(&store);
    shared.builder->RequestLoad(slide, &assets, true, 0);
    other.builder->RequestLoad(slide, &assets, true, 0);
    shared.builder->WaitForLoader();
    other.builder->WaitForLoader();
    EXPECT_EQ(PictureOf(*other.builder, 0).Picture(), PictureOf(*shared.builder, 3).Picture());

    shared.builder->Stop(true);
    other.builder->Stop(true);
    EXPECT_EQ(store.Count(), 0);
    alone.builder->Stop(true);
    EXPECT_EQ(CPictureBudget::InUse(), before);
}

// A slide shows its first 100 pictures, whatever its layout, and a warning
// names the first one left out; those are never opened.
TEST(RenderModelBuilder, ASlideShowsItsFirstHundredPicturesAndNamesTheRest) {
    CTempDir dir;
    const std::string red = FlatPicture(dir, "red.png", 80, 60, {0, 0, 200});
    for (const char* layout : {"Test Halves", "Test Keys", ""}) {
        CAlbum album;
        auto slideOf = [&](int pictures) {
            CSlide* slide = AddSlide(album, {}, 1, 0);
            slide->m_layoutName = layout;
            for (int i = 0; i < pictures; ++i)
                slide->AddItem(CImage(i == 100 ? dir / "first-left-out.png" : red));
            return slide;
        };
        std::vector<std::pair<std::string, std::string>> warnings;
        CMediaWarnings::CScope scope([&](const std::string& file, const std::string& reason) {
            warnings.emplace_back(file, reason);
        });
        SSlotRig rig;
        CPictureStore store;
        rig.builder->SetPictureStore(&store);
        ASSERT_TRUE(rig.builder->Load(slideOf(103), nullptr, true, true)) << layout;
        EXPECT_EQ(rig.builder->Active().ClipCount(), 100) << layout;
        ASSERT_EQ(warnings.size(), 1u) << layout;
        EXPECT_EQ(warnings[0].first, dir / "first-left-out.png");
        EXPECT_EQ(warnings[0].second, "is picture 101 of a slide of 103; a slide shows its first "
                                      "100 pictures only, so this one and the 2 after it are "
                                      "left out");
        ASSERT_TRUE(rig.builder->Start(0));
        EXPECT_EQ(Pixel(rig.At(5), 40, 32), kRed) << layout;

        // One hundred are all shown, without a word.
        warnings.clear();
        ASSERT_TRUE(rig.builder->Load(slideOf(100), nullptr, true, true)) << layout;
        EXPECT_EQ(rig.builder->Active().ClipCount(), 100);
        EXPECT_TRUE(warnings.empty());
    }
}

// The clips of a live layout take memory for what is drawn only: no layer
// and no prepared view before their first frame, then the one size drawn.
TEST(RenderModelBuilder, LayoutClipsTakeMemoryWhenTheyAreDrawn) {
    CTempDir dir;
    CAlbum album;
    CSlide* slide = TwoPictureSlide(album, dir, "Test Halves");
    SSlotRig rig;
    ASSERT_TRUE(rig.builder->Load(slide, nullptr, true, true));
    for (int clip = 0; clip < 2; ++clip) {
        EXPECT_EQ(PictureOf(*rig.builder, clip).PreparedSizesMade(), 0);
        EXPECT_EQ(rig.builder->Active().Selected()->Pipeline().Layer().Width(), 0);
    }
    ASSERT_TRUE(rig.builder->Start(0));
    rig.At(3);
    for (int clip = 0; clip < 2; ++clip) {
        const CFrameSrcImage& picture = PictureOf(*rig.builder, clip);
        EXPECT_EQ(picture.PreparedSizesMade(), 1);
        // The step of 1.25 at or above half the fitted 80 x 60 (80 x 1.25^-3,
        // 41 wide) within the 40-pixel margins.
        EXPECT_EQ(picture.Prepared().Width(), 41 + 80);
        EXPECT_EQ(rig.builder->Active().Selected()->Pipeline().Layer().Width(), 80);
    }
}

// A picture past the picture memory budget is not decoded: its slide fails
// to load as with a picture that cannot be decoded, and the warning gives
// the sizes. Within the budget it shows.
TEST(RenderModelBuilder, APicturePastTheMemoryBudgetIsNamedWithTheBudget) {
    struct SBudget {
        SBudget() { CPictureBudget::SetLimit(1 << 20); }
        ~SBudget() { CPictureBudget::SetLimit(0); }
    };
    CTempDir dir;
    CAlbum album;
    // 800 x 600 at four bytes: 1.9 MB decoded.
    CSlide* slide = AddSlide(album, {FlatPicture(dir, "big.png", 800, 600, {0, 0, 200})}, 1, 0);
    std::vector<std::pair<std::string, std::string>> warnings;
    CMediaWarnings::CScope scope([&](const std::string& file, const std::string& reason) {
        warnings.emplace_back(file, reason);
    });
    SSlotRig rig;
    {
        // Refused, the picture's place stays empty; the slide still loads.
        SBudget budget;
        EXPECT_TRUE(rig.builder->Load(slide, nullptr, true, true));
    }
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].first, dir / "big.png");
    EXPECT_EQ(warnings[0].second, "cannot be decoded: Not enough memory for the picture: it needs "
                                  "2 MB, and decoded pictures already take 0 MB of their 1 MB "
                                  "budget.");
    ASSERT_TRUE(rig.builder->Load(slide, nullptr, true, true));
    ASSERT_TRUE(rig.builder->Start(0));
    EXPECT_EQ(Pixel(rig.At(5), 40, 32), kRed);
}
