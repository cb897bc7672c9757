#include "base/Settings.h"
#include "project/Album.h"
#include "project/AlbumGrp.h"
#include "project/Image.h"
#include "project/Project.h"
#include "project/Slide.h"
#include "tests/support/FakeMediaProbe.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <ctime>

namespace {

int FirstRand(std::uint32_t seed) { return int(((seed * 214013u + 2531011u) >> 16) & 0x7FFF); }

} // namespace

TEST(Slide, NewSlidesTakeTheirDefaultsFromTheSettings) {
    CScopedSettings scope;
    SetSettingInt("PicDelay", 5);
    SetSettingInt("EffDelay", 3);
    SetSettingString("Effect", "Wipe Plugin");
    SetSettingInt("ImgBkColor", 0x123456);
    CSlide slide;
    EXPECT_EQ(slide.m_displayTime, 5.0);
    EXPECT_EQ(slide.m_transitionLength, 3.0);
    EXPECT_EQ(slide.GetTransitionName(), "Wipe Plugin");
    EXPECT_EQ(slide.m_backgroundColor, 0x123456);
    EXPECT_EQ(slide.m_subtitle.m_size, 24);
    EXPECT_TRUE(slide.m_subtitle.m_flags & CStyledString::kBold);
}

TEST(Slide, RandomSeedsFollowTheRuntimeGeneratorOverATimeSeededCounter) {
    int a = CSlide().m_randomSeed;
    int b = CSlide().m_randomSeed;
    // The counter started at the time of the first slide of this process and
    // advanced once per slide since; find where it stands now.
    std::uint32_t now = std::uint32_t(std::time(nullptr));
    bool found = false;
    for (std::uint32_t t = now - 3600; t < now + 100000 && !found; ++t)
        found = FirstRand(t) == a && FirstRand(t + 1) == b;
    EXPECT_TRUE(found);
}

TEST(Slide, TimesIncludeTheFollowingTransition) {
    CScopedSettings scope;
    CAlbum album;
    album.m_transitionLength = 1.5;
    CSlide proto;
    proto.m_displayTime = 4;
    proto.m_transitionLength = 2;
    CSlide* first = album.AddSlide(proto);
    proto.m_transitionLength = 0.5;
    CSlide* second = album.AddSlide(proto);

    double display, transition, following;
    first->GetSlideTimes(display, transition, &following);
    EXPECT_EQ(following, 0.5);
    EXPECT_EQ(first->GetSlideTotal(), 2 + 4 + 0.5);
    EXPECT_EQ(second->GetSlideTotal(), 0.5 + 4 + 1.5); // the album's closing transition
    // Outside a container nothing follows.
    EXPECT_EQ(proto.GetSlideTotal(), 0.5 + 4);
}

TEST(Slide, ChangingTheTransitionDropsItsValues) {
    CSlide slide;
    slide.SetTransitionName("Wipe");
    slide.m_transitionValues = {{"Direction", 2}};
    slide.SetTransitionName("Wipe");
    EXPECT_EQ(slide.m_transitionValues.size(), 1u);
    slide.SetTransitionName("wipe");
    EXPECT_TRUE(slide.m_transitionValues.empty());
}

TEST(Slide, TheMainItemAndItsSound) {
    CFakeMediaProbe probe;
    probe.AddSound("/m/slide.wav", 10);
    probe.AddSound("/m/item.wav", 10);
    probe.AddVideo("/m/clip.mp4", 8, true);

    CSlide slide;
    slide.m_sound.SetFile("/m/slide.wav");
    slide.m_soundVolume = 0.5;
    EXPECT_EQ(slide.GetMainItem(), nullptr);
    EXPECT_EQ(slide.GetSlideSound().m_file.GetPath(), "/m/slide.wav");
    EXPECT_EQ(slide.GetSlideSound().m_volume, 0.5);

    // One item is the main item, and its sound replaces the slide's, even when empty.
    CAlbumItem* only = slide.AddItem(CImage("/m/a.jpg"));
    EXPECT_EQ(slide.GetMainItem(), only);
    EXPECT_EQ(slide.GetSlideSound().m_file.GetPath(), "");
    EXPECT_EQ(slide.GetSlideSound().m_volume, 1.0);

    // With several items only the chosen main item counts.
    slide.AddItem(CImage("/m/b.jpg"));
    EXPECT_EQ(slide.GetMainItem(), nullptr);
    EXPECT_EQ(slide.GetSlideSound().m_file.GetPath(), "/m/slide.wav");
    auto clip = std::make_unique<CVideo>("/m/clip.mp4");
    clip->m_startOffset = 2;
    clip->m_playLength = 10;
    clip->m_volume = 0.25;
    slide.SetMainVideo(std::move(clip));
    CSlide::SSound sound = slide.GetSlideSound();
    // The clip's own track, over its start offset, cut at its end.
    EXPECT_EQ(sound.m_file.GetPath(), "/m/clip.mp4");
    EXPECT_EQ(sound.m_file.GetStart(), 2.0);
    EXPECT_EQ(sound.m_file.GetLength(), 6.0);
    EXPECT_EQ(sound.m_volume, 0.25);
    EXPECT_EQ(slide.GetMainVideo()->GetDuration(), 8.0);
    // A sound entry of its own wins; a clip known to be silent has none.
    slide.GetMainVideo()->m_sound.SetFile("/m/item.wav");
    EXPECT_EQ(slide.GetSlideSound().m_file.GetPath(), "/m/item.wav");
    slide.GetMainVideo()->m_sound = CMusicFile();
    slide.GetMainVideo()->m_noSoundTrack = true;
    EXPECT_EQ(slide.GetSlideSound().m_file.GetPath(), "");
}

TEST(Slide, ItemsAndCaptionsInsertAtTheirPosition) {
    CSlide slide;
    slide.AddItem(CImage("a"));
    slide.AddItem(CImage("c"), 7);
    slide.AddItem(CImage("b"), 1);
    slide.AddItem(CImage("0"), 0);
    slide.AddItem(CImage("d"), -1);
    std::string order;
    for (int i = 0; i < slide.GetItemCount(); ++i)
        order += slide.GetItem(i)->m_file;
    EXPECT_EQ(order, "0abcd");
    EXPECT_EQ(slide.GetItem(5), nullptr);
    EXPECT_EQ(slide.GetItem(-1), nullptr);
    EXPECT_EQ(slide.GetItem(0)->GetParent(), &slide);

    CTextCaption caption;
    caption.m_text.m_text = "x";
    CTextCaption* copy = slide.AddCaption(caption, 3);
    EXPECT_NE(copy, &caption);
    EXPECT_EQ(slide.GetCaption(0), copy);
}

TEST(Slide, KeyFramesKeepTheirOrderAtEqualTimes) {
    CImage item("a.jpg");
    ASSERT_EQ(item.GetKeyFrames().size(), 2u);
    EXPECT_EQ(item.GetKeyFrames()[0].m_time, 0.0);
    EXPECT_EQ(item.GetKeyFrames()[1].m_time, 1.0);
    CKeyFrame k;
    k.m_time = 0.5;
    k.m_extra = 1;
    item.AddKeyFrame(k);
    k.m_extra = 2;
    item.AddKeyFrame(k);
    k.m_time = 0.0;
    k.m_extra = 3;
    item.AddKeyFrame(k);
    std::vector<int> extras;
    for (const auto& key : item.GetKeyFrames())
        extras.push_back(key.m_extra);
    EXPECT_EQ(extras, (std::vector<int>{0, 3, 1, 2, 0}));
}

TEST(Slide, CopiesAreDeepAndIndependent) {
    CSlide slide;
    CImage image("a.jpg");
    image.m_cropWidth = 0.5;
    auto embedded = std::make_unique<CSlide>();
    embedded->AddItem(CImage("inner.jpg"));
    image.SetEmbeddedSlide(std::move(embedded));
    slide.AddItem(image);
    slide.AddCaption(CTextCaption());
    slide.m_subtitle.m_text = "sub";
    slide.m_subtitle.SetColor(0x0000FF);
    slide.m_layoutName = "Grid";
    slide.m_layoutValues = {{"Rows", 2}};

    CSlide copy(slide);
    EXPECT_NE(copy.GetItem(0), slide.GetItem(0));
    EXPECT_EQ(copy.GetItem(0)->GetKind(), CAlbumItem::kImage);
    EXPECT_EQ(copy.GetItem(0)->m_cropWidth, 0.5);
    EXPECT_EQ(copy.GetItem(0)->GetParent(), &copy);
    ASSERT_NE(copy.GetItem(0)->GetEmbeddedSlide(), nullptr);
    EXPECT_NE(copy.GetItem(0)->GetEmbeddedSlide(), slide.GetItem(0)->GetEmbeddedSlide());
    EXPECT_EQ(copy.GetItem(0)->GetEmbeddedSlide()->GetItem(0)->m_file, "inner.jpg");
    EXPECT_NE(copy.GetCaption(0), slide.GetCaption(0));
    EXPECT_EQ(copy.m_subtitle.m_text, "sub");
    EXPECT_EQ(copy.m_subtitle.GetColor(), 0x0000FF);
    EXPECT_EQ(copy.m_randomSeed, slide.m_randomSeed);
    EXPECT_EQ(copy.m_layoutValues, slide.m_layoutValues);

    copy.GetItem(0)->m_file = "changed.jpg";
    EXPECT_EQ(slide.GetItem(0)->m_file, "a.jpg");
    copy.CopySlideFrom(copy); // copying onto itself changes nothing
    EXPECT_EQ(copy.GetItem(0)->m_file, "changed.jpg");
}

TEST(Slide, NewCaptionsTakeTheStyleSetting) {
    CScopedSettings scope;
    CTextCaption plain;
    EXPECT_EQ(plain.m_text.m_size, 20);
    EXPECT_EQ(plain.m_text.m_flags, 288);
    EXPECT_DOUBLE_EQ(plain.m_effectInOut, 0.33);

    SetSettingString("TextStlye", "Verdana,32,2,255,2,0,");
    SetSettingInt("TextEffDur", 50);
    CTextCaption styled;
    EXPECT_EQ(styled.m_text.m_font, "Verdana");
    EXPECT_EQ(styled.m_text.GetColor(), 255);
    EXPECT_EQ(styled.m_effectInOut, 0.5);

    // A style with a missing field is ignored: the caption keeps the built-in style.
    SetSettingString("TextStlye", "Verdana,32,2,255,2,");
    CTextCaption fallback;
    EXPECT_EQ(fallback.m_text.m_font, CStyledString().m_font);
    EXPECT_EQ(fallback.m_text.m_size, CStyledString().m_size);
}

TEST(Slide, SubtitlesShareTheColoursOfTheirProject) {
    CProject project;
    auto* group = project.AddGroup(std::make_unique<CAlbumGrp>());
    auto* album = group->AddAlbum(std::make_unique<CAlbum>());
    CSlide* a = album->AddSlide(CSlide());
    CSlide* b = album->AddSlide(CSlide());
    a->m_subtitle.SetColor(0x00FF00);
    a->m_subtitle.SetEdgeColor(0x0000FF);
    a->m_subtitle.SetEdgeWidth(2);
    EXPECT_EQ(project.GetSubtitleColor(), 0x00FF00);
    EXPECT_EQ(b->m_subtitle.GetColor(), 0x00FF00);
    int color = 0, width = 0;
    EXPECT_FALSE(b->m_subtitle.GetEdge(color, width)); // the width stays per slide
    EXPECT_EQ(color, 0x0000FF);
    EXPECT_TRUE(a->m_subtitle.GetEdge(color, width));
    EXPECT_EQ(width, 2);
    // A slide on its own shows its own colours.
    CSlide loose;
    loose.m_subtitle.SetColor(0x111111);
    EXPECT_EQ(loose.m_subtitle.GetColor(), 0x111111);
    EXPECT_EQ(project.GetSubtitleColor(), 0x00FF00);
}
