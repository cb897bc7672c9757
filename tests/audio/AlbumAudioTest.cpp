#include "audio/AlbumAudioSrc.h"
#include "project/Album.h"
#include "project/Slide.h"
#include "tests/support/DecoderProbeScope.h"
#include "tests/support/SoundWriter.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace {

constexpr int kRate = 8000;

// Sound tracks at 8000 Hz mono keep every file on the converters' pass-through.
class AlbumTrack : public testing::Test {
protected:
    CDecoderProbeScope m_probe;

    std::string Constant(const std::string& name, double seconds, int value) {
        std::string path = m_dir / name;
        EXPECT_TRUE(SoundWriter::Write(path, "pcm_s16le", kRate, 1,
                                       std::vector<std::int16_t>(std::size_t(seconds * kRate),
                                                                 std::int16_t(value))));
        return path;
    }
    std::string Ramp(const std::string& name, double seconds) {
        std::vector<std::int16_t> samples(std::size_t(seconds * kRate));
        for (std::size_t i = 0; i < samples.size(); ++i)
            samples[i] = std::int16_t(i % 20000);
        std::string path = m_dir / name;
        EXPECT_TRUE(SoundWriter::Write(path, "pcm_s16le", kRate, 1, samples));
        return path;
    }
    static void AddSlide(CAlbum& album, double display, double transition) {
        CSlide slide;
        slide.m_displayTime = display;
        slide.m_transitionLength = transition;
        album.AddSlide(slide);
    }
    static int At(CAlbumAudioSrc& track, double seconds) {
        track.Seek(std::int64_t(seconds * kRate), IAudioSrc::kFromStart);
        int count = 1;
        const std::uint8_t* data = track.Read(count);
        return data ? *reinterpret_cast<const std::int16_t*>(data) : -99999;
    }

    CTempDir m_dir;
    CAlbumAudioSrc m_track{kRate, 1, 16};
};

} // namespace

TEST_F(AlbumTrack, MusicIsCutToTheAlbumAndFaded) {
    CAlbum album;
    AddSlide(album, 58, 1);
    album.m_transitionLength = 1; // 60 s in all
    album.m_music.emplace_back(Constant("m.wav", 100, 1000));
    album.m_musicFlags = CAlbum::kMusicFade;
    album.m_musicFadeIn = 0;
    album.m_musicFadeOut = 4;
    m_track.Build(album);
    ASSERT_TRUE(m_track.Open());
    EXPECT_EQ(m_track.GetLength(), 60 * kRate);
    EXPECT_EQ(At(m_track, 30), 1000);
    EXPECT_EQ(At(m_track, 59), 250);
}

// Music played once is kept only as far as the album plays it, and sounds
// as the whole file would: the second entry follows the first from its own
// start offset, and its fade-out stays at the end of its play, past the
// album's end.
TEST_F(AlbumTrack, MusicIsKeptOnlyAsFarAsTheAlbumPlaysIt) {
    CAlbum album;
    AddSlide(album, 5, 0);
    album.m_transitionLength = 0;
    album.m_music.emplace_back(Ramp("a.wav", 3));
    CMusicFile second(Ramp("b.wav", 60));
    second.SetStartAndLength(2, 0);
    second.m_fadeOut = 20;
    album.m_music.push_back(second);
    m_track.Build(album);
    ASSERT_TRUE(m_track.Open());
    EXPECT_EQ(m_track.GetLength(), 5 * kRate);
    EXPECT_EQ(At(m_track, 1), kRate);
    EXPECT_EQ(At(m_track, 2.25), int(2.25 * kRate));
    EXPECT_EQ(At(m_track, 4.25), int(3.25 * kRate) % 20000); // 1.25 s into the second entry
    EXPECT_EQ(At(m_track, 4.99), int(3.99 * kRate) % 20000);
}

TEST_F(AlbumTrack, MusicRepeatsToTheAlbumsEnd) {
    CAlbum album;
    AddSlide(album, 70, 0);
    album.m_transitionLength = 0;
    album.m_music.emplace_back(Ramp("m.wav", 20));
    album.m_musicFlags = CAlbum::kMusicRepeat;
    m_track.Build(album);
    ASSERT_TRUE(m_track.Open());
    EXPECT_EQ(m_track.GetLength(), 70 * kRate);
    EXPECT_EQ(At(m_track, 65), At(m_track, 5)); // the fourth time round, half played
    EXPECT_EQ(At(m_track, 45), At(m_track, 5));
}

TEST_F(AlbumTrack, AFadeInLongerThanHalfTheAlbumIsCut) {
    CAlbum album;
    AddSlide(album, 60, 0);
    album.m_transitionLength = 0;
    album.m_music.emplace_back(Constant("m.wav", 60, 1000));
    album.m_musicFlags = CAlbum::kMusicFade;
    album.m_musicFadeIn = 40;
    album.m_musicFadeOut = 0;
    m_track.Build(album);
    ASSERT_TRUE(m_track.Open());
    EXPECT_EQ(At(m_track, 15), 500);
    EXPECT_EQ(At(m_track, 30), 1000);
}

TEST_F(AlbumTrack, SoundsPastTheirSlideAreLeftOutAndLaterOnesStayInPlace) {
    CAlbum album;
    album.m_transitionLength = 0;
    CSlide first;
    first.m_displayTime = 2;
    first.m_transitionLength = 0;
    first.m_sound.SetFile(Constant("late.wav", 5, 555));
    first.m_soundDelay = 3; // after the 3 s the slide may sound
    album.AddSlide(first);
    CSlide second;
    second.m_displayTime = 3;
    second.m_transitionLength = 1;
    second.m_sound.SetFile(Constant("s.wav", 1, 777));
    album.AddSlide(second);
    m_track.Build(album);
    ASSERT_TRUE(m_track.Open());
    EXPECT_EQ(m_track.GetLength(), 6 * kRate); // the closing silence ends at the album's end
    EXPECT_EQ(At(m_track, 1.9), 0);
    EXPECT_EQ(At(m_track, 2.5), 777);
    EXPECT_EQ(At(m_track, 3.5), 0);
}

TEST_F(AlbumTrack, MusicDucksUnderSlideSounds) {
    CAlbum album;
    album.m_transitionLength = 0;
    album.m_music.emplace_back(Constant("m.wav", 30, 10000));
    album.m_musicFlags = CAlbum::kMusicFade;
    album.m_musicFadeIn = 2;
    album.m_musicFadeOut = 0;
    album.SetMusicVolume(80);
    AddSlide(album, 10, 0);
    CSlide talk;
    talk.m_displayTime = 10;
    talk.m_transitionLength = 0;
    talk.m_sound.SetFile(Constant("quiet.wav", 4, 0));
    talk.m_musicLevel = 0.5;
    talk.m_musicLoweringRamp = 1;
    talk.m_musicRestoreRamp = 1;
    album.AddSlide(talk);
    m_track.Build(album);
    ASSERT_TRUE(m_track.Open());
    EXPECT_EQ(At(m_track, 1), 4000);   // fading in: 0.4
    EXPECT_EQ(At(m_track, 5), 8000);   // the album's volume 0.8
    EXPECT_EQ(At(m_track, 10.5), 6000);
    EXPECT_EQ(At(m_track, 12), 4000);  // music level 0.5 of 0.8
    EXPECT_EQ(At(m_track, 13.5), 6000);
    EXPECT_EQ(At(m_track, 16), 8000);

    // A level of 1 or more lowers nothing.
    album.GetSlide(1)->m_musicLevel = 1.5;
    m_track.Build(album);
    ASSERT_TRUE(m_track.Open());
    EXPECT_EQ(At(m_track, 12), 8000);
}

TEST(AlbumTrackEnvelopes, OverlappingSoundsFollowTheLowerLevel) {
    std::vector<CAlbumAudioSrc::SEnvelope> envelopes = {
        {{10, 11, 13, 14}, {0.8, 0.4, 0.4, 0.8}},
        {{12, 12.5, 15.5, 16}, {0.8, 0.24, 0.24, 0.8}},
    };
    CAlbumAudioSrc::MergeEnvelopes(envelopes);
    // Where the second sound plays, the first sound's points follow its lower
    // level; the pairs are compared in order, so the second then meets the
    // first one already lowered (0.4 halfway to 0.24 at 12 s).
    EXPECT_DOUBLE_EQ(envelopes[0].g[1], 0.4);
    EXPECT_DOUBLE_EQ(envelopes[0].g[2], 0.24);
    EXPECT_DOUBLE_EQ(envelopes[0].g[3], 0.24);
    EXPECT_DOUBLE_EQ(envelopes[1].g[0], 0.32);
    EXPECT_DOUBLE_EQ(envelopes[1].g[1], 0.24);
}

TEST_F(AlbumTrack, AShortAlbumStillLastsItsLength) {
    CAlbum album;
    AddSlide(album, 0.5, 0);
    album.m_transitionLength = 0;
    album.m_music.emplace_back(Constant("m.wav", 10, 100));
    m_track.Build(album);
    ASSERT_TRUE(m_track.Open());
    EXPECT_EQ(m_track.GetLength(), kRate / 2);

    // No music and no slide sound: no track.
    CAlbum silent;
    AddSlide(silent, 3, 1);
    m_track.Build(silent);
    EXPECT_EQ(m_track.GetLength(), 0);
}
