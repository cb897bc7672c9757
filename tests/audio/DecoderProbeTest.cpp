#include "project/Video.h"
#include "tests/support/DecoderProbeScope.h"
#include "tests/support/MediaMaker.h"
#include "tests/support/SoundWriter.h"
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

// A sound's facts are remembered for the file as it is: written over in place,
// at another length or at the same size in another format, or broken and then
// mended, it is measured again.
TEST(DecoderProbe, SoundFactsFollowTheFileAsItChanges) {
    CDecoderProbeScope probe;
    CTempDir dir;
    const std::string path = dir / "music.wav";
    auto facts = [&path] {
        SSoundFacts f;
        std::string error;
        EXPECT_TRUE(IMediaProbe::Get().ProbeSound(path, f, error)) << error;
        return f;
    };
    ASSERT_TRUE(SoundWriter::Write(path, "pcm_s16le", 8000, 1, SoundWriter::Sine(440, 1.0, 8000, 1)));
    EXPECT_EQ(facts().length, 8000);
    EXPECT_EQ(facts().length, 8000);
    ASSERT_TRUE(SoundWriter::Write(path, "pcm_s16le", 8000, 1, SoundWriter::Sine(440, 2.0, 8000, 1)));
    EXPECT_EQ(facts().length, 16000);
    // The same bytes of samples: one second at twice the rate.
    ASSERT_TRUE(SoundWriter::Write(path, "pcm_s16le", 16000, 1, SoundWriter::Sine(440, 1.0, 16000, 1)));
    const SSoundFacts same = facts();
    EXPECT_EQ(same.sampleRate, 16000);
    EXPECT_EQ(same.length, 16000);

    dir.WriteFile("music.wav", "not a sound at all");
    SSoundFacts broken;
    std::string error;
    EXPECT_FALSE(IMediaProbe::Get().ProbeSound(path, broken, error));
    ASSERT_TRUE(SoundWriter::Write(path, "pcm_s16le", 8000, 1, SoundWriter::Sine(440, 0.5, 8000, 1)));
    EXPECT_EQ(facts().length, 4000);
}
