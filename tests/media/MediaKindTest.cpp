// What a file is, told from its content: names never decide, look-alike
// headers do not fool it, and a file changed on disk is probed anew.
#include "media/MediaKind.h"
#include "tests/support/MediaMaker.h"
#include "tests/support/SoundWriter.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

// Writes a file under its proper name, then moves it to a misleading one.
std::string Misnamed(const CTempDir& dir, const std::string& proper, const std::string& name) {
    std::string to = dir / name;
    EXPECT_EQ(std::rename((dir / proper).c_str(), to.c_str()), 0);
    return to;
}

} // namespace

TEST(MediaKind, TheContentDecidesWhateverTheName) {
    CTempDir dir;
    const STestImage image = QuadrantImage(32, 24);
    EXPECT_EQ(CMediaKind::Of(dir.WriteFile("photo.mp4", PngBytes(image, false))),
              EMediaKind::kPicture);
    EXPECT_EQ(CMediaKind::Of(dir.WriteFile("photo.wav", JpegBytes(image))), EMediaKind::kPicture);
    ASSERT_TRUE(WriteClip(dir / "c.mp4", {.frames = 5, .container = "mp4", .codec = "mpeg4"}));
    const CMediaKind::SFacts clip = CMediaKind::Probe(Misnamed(dir, "c.mp4", "holiday.jpg"));
    EXPECT_EQ(clip.kind, EMediaKind::kClip);
    EXPECT_TRUE(clip.IsMovieContainer());
    ASSERT_TRUE(SoundWriter::Write(dir / "s.mp2", "mp2", 44100, 2, SoundWriter::Sine(440, 0.3, 44100, 2)));
    const CMediaKind::SFacts sound = CMediaKind::Probe(Misnamed(dir, "s.mp2", "song.png"));
    EXPECT_EQ(sound.kind, EMediaKind::kSound);
    EXPECT_TRUE(sound.IsMpeg());
    EXPECT_FALSE(sound.IsMovieContainer());
    // Sound in an ISO media file is a sound, not a clip.
    ASSERT_TRUE(SoundWriter::Write(dir / "a.m4a", "aac", 44100, 2, SoundWriter::Sine(440, 0.3, 44100, 2)));
    EXPECT_EQ(CMediaKind::Of(dir / "a.m4a"), EMediaKind::kSound);
    // A phone's HEIC starts with the same box as an MP4 clip: a picture.
    const std::string heic = HeifBytes(image, "heic");
    if (!heic.empty()) {
        EXPECT_EQ(CMediaKind::Of(dir.WriteFile("IMG_0001.mp4", heic)), EMediaKind::kPicture);
    }
}

TEST(MediaKind, AnMpegStreamThatLooksLikeATgaHeaderIsAClip) {
    // TGA has no signature; an MPEG program stream's pack header passes its
    // plausibility test (bytes 1 and 2 are 0 and 1). The container wins.
    CTempDir dir;
    ASSERT_TRUE(WriteClip(dir / "c.mpg", {.frames = 5}));
    EXPECT_EQ(CMediaKind::Of(Misnamed(dir, "c.mpg", "clip.tga")), EMediaKind::kClip);
}

TEST(MediaKind, WhatIsNothingSaysWhy) {
    CTempDir dir;
    const CMediaKind::SFacts text = CMediaKind::Probe(dir.WriteFile("notes.jpg", "shopping list\n"));
    EXPECT_EQ(text.kind, EMediaKind::kUnknown);
    EXPECT_TRUE(text.readable);
    EXPECT_EQ(text.why, "it is not a picture, clip or sound that this build reads");
    EXPECT_EQ(CMediaKind::Probe(dir.WriteFile("empty.mp3", "")).why, "the file is empty");
    const CMediaKind::SFacts missing = CMediaKind::Probe(dir / "gone.mp4");
    EXPECT_FALSE(missing.readable);
    EXPECT_EQ(missing.why, "does not exist");
    EXPECT_FALSE(CMediaKind::Probe(dir.Path()).readable); // a folder
    // The first bytes of an MP4 clip without the rest: damaged, and said so.
    ASSERT_TRUE(WriteClip(dir / "c.mp4", {.frames = 5, .container = "mp4", .codec = "mpeg4"}));
    const std::string whole = ReadWholeFile(dir / "c.mp4");
    const CMediaKind::SFacts cut = CMediaKind::Probe(dir.WriteFile("cut.mp4", whole.substr(0, 48)));
    EXPECT_EQ(cut.kind, EMediaKind::kUnknown);
    EXPECT_NE(cut.why.find("damaged or cut short"), std::string::npos) << cut.why;
}

TEST(MediaKind, AFileChangedOnDiskIsProbedAnew) {
    CTempDir dir;
    const std::string path = dir.WriteFile("x.dat", "not yet a picture");
    EXPECT_EQ(CMediaKind::Of(path), EMediaKind::kUnknown);
    // A new size (and time) is a new answer, even within the same second.
    dir.WriteFile("x.dat", PngBytes(QuadrantImage(8, 8), false));
    EXPECT_EQ(CMediaKind::Of(path), EMediaKind::kPicture);
}

TEST(MediaKind, HeadsOfPackagedFiles) {
    const std::string png = PngBytes(QuadrantImage(8, 8), false);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(png.data());
    EXPECT_TRUE(CMediaKind::IsPictureHead(bytes, png.size(), "Files/a.bin"));
    const std::string text = "RIFF....WAVEfmt ";
    EXPECT_FALSE(CMediaKind::IsPictureHead(reinterpret_cast<const std::uint8_t*>(text.data()),
                                           text.size(), "Files/a.png"));
    // Metafiles are known by their names alone.
    EXPECT_TRUE(CMediaKind::IsPictureHead(reinterpret_cast<const std::uint8_t*>(text.data()),
                                          text.size(), "Files/logo.wmf"));
}
