#include "project/Video.h"
#include "tests/support/DecoderProbeScope.h"
#include "tests/support/MediaMaker.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

// The model's media questions answered by the real decoders.
TEST(DecoderProbe, ClipsAndPicturesAnswerFromTheirFiles) {
    CDecoderProbeScope probe;
    CTempDir dir;
    SClipOptions clip;
    clip.frames = 50;
    std::string path = dir / "clip.mpg";
    ASSERT_TRUE(WriteClip(path, clip));
    CVideo video(path);
    EXPECT_NEAR(video.GetDuration(), 2.0, 0.05);
    EXPECT_EQ(IMediaProbe::Get().ProbeVideoFrameCount(path), 50);

    std::string picture = dir.WriteFile("p.png", PngBytes(QuadrantImage(40, 30), false));
    int width = 0, height = 0;
    EXPECT_TRUE(IMediaProbe::Get().ProbePictureSize(picture, width, height));
    EXPECT_EQ(width, 40);
    EXPECT_EQ(height, 30);
    EXPECT_FALSE(IMediaProbe::Get().ProbePictureSize(dir / "none.png", width, height));
    EXPECT_EQ(CVideo(dir / "none.mpg").GetDuration(), 0.0);
}
