// The album as the encoders' video source.
#include "encode/AlbumFrameSrc.h"
#include "tests/render/AlbumTestKit.h"

#include <gtest/gtest.h>

using namespace AlbumTestKit;

TEST(AlbumFrameSrc, ServesFramesOfTheFormatItWasGiven) {
    CTempDir dir;
    CAlbum album;
    AddSlide(album, {FlatPicture(dir, "red.png", 80, 60, {0, 0, 200})}, 2, 2);
    album.m_transitionLength = 2;
    CAlbumFrameSrc source(false);
    EXPECT_TRUE(source.SetAlbum(&album, nullptr));
    const int bad[2] = {0, 64};
    EXPECT_EQ(source.SetOutputFormat(bad, 1.0, 25, 1, nullptr), 0);
    EXPECT_EQ(source.GetFrame(0, nullptr), nullptr);

    const int size[2] = {80, 64};
    ASSERT_EQ(source.SetOutputFormat(size, 1.0, 25, 1, nullptr), 1);
    EXPECT_EQ(source.GetFrameCount(), 150u);
    EXPECT_DOUBLE_EQ(source.GetDuration(), 6.0);
    int stride = 0;
    const std::uint8_t* lowest = source.GetFrame(75, &stride);
    ASSERT_NE(lowest, nullptr);
    ASSERT_LT(stride, 0);
    // Bottom-up: the lowest row is the bottom picture row (background black).
    EXPECT_EQ(lowest[40 * 4 + 3], 255);
    EXPECT_EQ(lowest[40 * 4 + 2], 0);
    EXPECT_EQ((lowest + 32 * -stride)[40 * 4 + 2], 200);
    EXPECT_EQ(source.GetFrame(150, &stride), nullptr);
    EXPECT_NE(source.GetFrame(149, &stride), nullptr);

    CAlbum empty;
    EXPECT_FALSE(source.SetAlbum(&empty, nullptr));
}
