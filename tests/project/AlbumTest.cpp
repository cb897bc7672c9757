#include "base/Settings.h"
#include "project/Album.h"
#include "project/AlbumGrp.h"
#include "project/Image.h"
#include "project/Slide.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace {

CSlide MakeSlide(double display, double transition, const std::string& picture = {}) {
    CSlide slide;
    slide.m_displayTime = display;
    slide.m_transitionLength = transition;
    if (!picture.empty())
        slide.AddItem(CImage(picture));
    return slide;
}

} // namespace

TEST(Album, DurationSumsSlidesAndTheClosingTransition) {
    CAlbum album;
    album.m_transitionLength = 1;
    EXPECT_EQ(album.GetAlbumDuration(), 0.0);
    EXPECT_EQ(album.GetStartPosition(), -1);
    album.AddSlide(MakeSlide(3, 2));
    album.AddSlide(MakeSlide(4, 0.5));
    EXPECT_EQ(album.GetAlbumDuration(), 3 + 2 + 4 + 0.5 + 1);
    EXPECT_EQ(album.GetStartPosition(), 0);

    EXPECT_EQ(album.GetTransitionAfter(album.GetSlide(0)), 0.5);
    EXPECT_EQ(album.GetTransitionAfter(album.GetSlide(1)), 1.0);
    CSlide stranger;
    EXPECT_EQ(album.GetTransitionAfter(&stranger), 1.0);
}

TEST(Album, SlidesInsertAsClonesOwnedByTheAlbum) {
    CAlbum album;
    CSlide proto = MakeSlide(1, 1, "a");
    CSlide* a = album.AddSlide(proto);
    CSlide* c = album.AddSlide(MakeSlide(1, 1, "c"), 5);
    CSlide* b = album.AddSlide(MakeSlide(1, 1, "b"), 1);
    EXPECT_NE(a, &proto);
    EXPECT_EQ(album.IndexOfSlide(a), 0);
    EXPECT_EQ(album.IndexOfSlide(b), 1);
    EXPECT_EQ(album.IndexOfSlide(c), 2);
    EXPECT_EQ(album.IndexOfSlide(&proto), -1);
    EXPECT_EQ(a->GetContainer(), &album);
    EXPECT_EQ(a->GetParent(), &album);
    EXPECT_EQ(proto.GetContainer(), nullptr);
    EXPECT_EQ(album.GetSlide(3), nullptr);
}

TEST(Album, MusicVolumeStaysWithinRange) {
    CAlbum album;
    album.SetMusicVolume(150);
    EXPECT_EQ(album.GetMusicVolume(), 100);
    album.SetMusicVolume(-5);
    EXPECT_EQ(album.GetMusicVolume(), 0);
    album.SetMusicVolume(40);
    EXPECT_EQ(album.GetMusicVolume(), 40);
}

TEST(Album, NewAlbumsTakeTheirDefaultsFromTheSettings) {
    CScopedSettings scope;
    SetSettingFloat("AudioFade", 2.9f);
    SetSettingString("Effect", "Slide Plugin");
    CAlbum album;
    EXPECT_EQ(album.m_musicFadeOut, 2); // whole seconds
    EXPECT_EQ(album.m_musicFadeIn, 0);
    EXPECT_EQ(album.m_transitionName, "Slide Plugin");
    EXPECT_EQ(album.m_musicFlags, CAlbum::kMusicRepeat);
}

TEST(Album, CopyTakesEverythingAndClonesTheSlides) {
    CAlbumGrp group;
    CAlbum source;
    source.m_name = "Summer";
    source.SetMusicVolume(70);
    source.m_music.emplace_back();
    source.m_musicFlags = CAlbum::kMusicFade;
    source.SetGroup(&group);
    source.AddSlide(MakeSlide(2, 1, "x.jpg"));
    source.AddSlide(MakeSlide(3, 1, "y.jpg"));

    CAlbum copy;
    copy.AddSlide(MakeSlide(9, 9));
    copy.CopyAlbumFrom(source);
    EXPECT_EQ(copy.m_name, "Summer");
    EXPECT_EQ(copy.GetMusicVolume(), 70);
    EXPECT_EQ(copy.m_music.size(), 1u);
    EXPECT_EQ(copy.m_musicFlags, CAlbum::kMusicFade);
    EXPECT_EQ(copy.GetGroup(), &group);
    ASSERT_EQ(copy.GetSlideCount(), 2);
    EXPECT_NE(copy.GetSlide(0), source.GetSlide(0));
    EXPECT_EQ(copy.GetSlide(1)->GetItem(0)->m_file, "y.jpg");
    EXPECT_EQ(copy.GetSlide(0)->GetContainer(), &copy);
    EXPECT_EQ(copy.GetAlbumDuration(), source.GetAlbumDuration());

    // Copying onto itself keeps the slides.
    copy.CopyAlbumFrom(copy);
    EXPECT_EQ(copy.GetSlideCount(), 2);
    EXPECT_EQ(copy.GetSlide(0)->GetItem(0)->m_file, "x.jpg");
}

TEST(Album, ShortNamesAndPictures) {
    CAlbum album;
    album.m_name = "my trip-2019!";
    EXPECT_EQ(album.GetShortName(), "MY_TRIP_");
    EXPECT_EQ(album.m_shortName, "MY_TRIP_");
    EXPECT_EQ(CAlbumGrp::MakeShortName("\u00e9t\u00e9"), "_T_");
    EXPECT_EQ(CAlbumGrp::MakeShortName(""), "");

    EXPECT_EQ(album.GetAlbumPicture(), "");
    album.AddSlide(MakeSlide(1, 1, "first.jpg"));
    album.AddSlide(MakeSlide(1, 1, "second.jpg"));
    EXPECT_EQ(album.GetAlbumPicture(), "first.jpg");
    album.m_picture = "cover.jpg";
    EXPECT_EQ(album.GetAlbumPicture(), "cover.jpg");
}
