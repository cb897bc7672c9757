#include "audio/AnyAudioDec.h"
#include "audio/MusicFileSrc.h"
#include "tests/support/DecoderProbeScope.h"
#include "tests/support/SoundWriter.h"
#include "tests/support/TempDir.h"

#include <cstdio>
#include <gtest/gtest.h>

namespace {

// Mono 16-bit samples whose value tells their frame: frame / 8, wrapping at 4000.
std::vector<std::int16_t> Ramp(int rate, double seconds) {
    std::vector<std::int16_t> samples(std::size_t(rate * seconds));
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = std::int16_t((i / 8) % 4000);
    return samples;
}

int SampleAt(IAudioSrc& src, std::int64_t frame) {
    src.Seek(frame, IAudioSrc::kFromStart);
    int count = 1;
    const std::uint8_t* data = src.Read(count);
    return data ? *reinterpret_cast<const std::int16_t*>(data) : -99999;
}

} // namespace

TEST(AudioDecoders, TheContentPicksTheDecoderWhateverTheName) {
    CTempDir dir;
    // Each file is written under its proper name, then given a misleading one.
    auto misnamed = [&dir](const char* proper, const char* encoder, const char* name) {
        std::string path = dir / proper;
        EXPECT_TRUE(SoundWriter::Write(path, encoder, 44100, 2, SoundWriter::Sine(440, 0.2, 44100, 2)));
        std::string renamed = dir / name;
        EXPECT_EQ(std::rename(path.c_str(), renamed.c_str()), 0);
        return renamed;
    };
    EXPECT_EQ(CAnyAudioDec::KindOf(misnamed("l2.mp2", "mp2", "layer2.wav")), CAnyAudioDec::kMpeg);
    EXPECT_EQ(CAnyAudioDec::KindOf(misnamed("w.wav", "pcm_s16le", "wave.MP2")), CAnyAudioDec::kGeneral);
    EXPECT_EQ(CAnyAudioDec::KindOf(misnamed("m.mp4", "aac", "movie.dat")), CAnyAudioDec::kMovie);
    EXPECT_EQ(CAnyAudioDec::KindOf(misnamed("m.m4a", "aac", "music.mp3")), CAnyAudioDec::kMovie);
    EXPECT_EQ(CAnyAudioDec::KindOf(dir / "missing.mp4"), CAnyAudioDec::kGeneral);
}

TEST(AudioDecoders, FilesDeliverTheirOwnFormat) {
    CTempDir dir;
    struct Case {
        const char* name;
        const char* encoder;
        int rate, channels, bits, channelsOut;
    } cases[] = {
        {"eight.wav", "pcm_u8", 8000, 1, 8, 1},
        {"high.wav", "pcm_s16le", 96000, 2, 16, 2},
        {"surround.wav", "pcm_s16le", 48000, 6, 16, 2},
        {"layer2.MP2", "mp2", 44100, 2, 16, 2},
    };
    for (const auto& c : cases) {
        std::string path = dir / c.name;
        ASSERT_TRUE(SoundWriter::Write(path, c.encoder, c.rate, c.channels,
                                       SoundWriter::Sine(440, 0.5, c.rate, c.channels)))
            << c.name;
        CAnyAudioDec decoder;
        ASSERT_TRUE(decoder.OpenFile(path)) << c.name << ": " << decoder.GetTargetError();
        EXPECT_EQ(decoder.GetSampleRate(), c.rate) << c.name;
        EXPECT_EQ(decoder.GetChannels(), c.channelsOut) << c.name;
        EXPECT_EQ(decoder.GetBitsPerSample(), c.bits) << c.name;
        EXPECT_NEAR(double(decoder.GetLength()), c.rate * 0.5, c.rate * 0.06) << c.name;
    }
    // PCM comes back sample for sample.
    std::string ramp = dir / "ramp.wav";
    ASSERT_TRUE(SoundWriter::Write(ramp, "pcm_s16le", 8000, 1, Ramp(8000, 2)));
    CAnyAudioDec decoder;
    ASSERT_TRUE(decoder.OpenFile(ramp));
    EXPECT_EQ(decoder.GetLength(), 16000);
    EXPECT_EQ(SampleAt(decoder, 8000), 1000);
    EXPECT_EQ(decoder.Seek(5, IAudioSrc::kFromEnd), 15999);
}

TEST(AudioDecoders, CompressedFormatsDecodeTo16Bits) {
    CTempDir dir;
    if (SoundWriter::HasEncoder("libmp3lame")) {
        std::string mp3 = dir / "a.mp3";
        ASSERT_TRUE(SoundWriter::Write(mp3, "libmp3lame", 44100, 2, SoundWriter::Sine(440, 1, 44100, 2)));
        CAnyAudioDec decoder;
        ASSERT_TRUE(decoder.OpenFile(mp3));
        EXPECT_EQ(decoder.GetBitsPerSample(), 16);
        EXPECT_NEAR(double(decoder.GetLength()), 44100, 4000);
    }
    // The movie decoder delivers the requested rate and width.
    std::string mp4 = dir / "a.mp4";
    ASSERT_TRUE(SoundWriter::Write(mp4, "aac", 48000, 2, SoundWriter::Sine(440, 1, 48000, 2)));
    CAnyAudioDec movie;
    movie.SetFormat(22050, 2, 16);
    ASSERT_TRUE(movie.OpenFile(mp4)) << movie.GetTargetError();
    EXPECT_EQ(movie.GetKind(), CAnyAudioDec::kMovie);
    EXPECT_EQ(movie.GetSampleRate(), 22050);
    EXPECT_NEAR(double(movie.GetLength()), 22050, 2500);
}

TEST(AudioDecoders, BrokenOrSoundlessFilesFailToOpen) {
    CTempDir dir;
    std::string wav = dir / "good.wav";
    ASSERT_TRUE(SoundWriter::Write(wav, "pcm_s16le", 8000, 1, Ramp(8000, 1)));
    std::string bytes = ReadWholeFile(wav);
    std::string video = dir / "silent.mpg";
    ASSERT_TRUE(SoundWriter::WriteSilentVideo(video, 1.0));
    std::vector<std::string> paths = {
        dir / "missing.wav", dir.WriteFile("empty.wav", ""), dir.WriteFile("header.wav", bytes.substr(0, 44)),
        dir.WriteFile("noise.mp3", std::string(5000, '\x5a')), video,
        dir.WriteFile("silent.mp4", ReadWholeFile(video)), dir.WriteFile("silent.mov", ReadWholeFile(video)),
        "",
    };
    for (const std::string& path : paths) {
        CAnyAudioDec decoder;
        EXPECT_FALSE(decoder.OpenFile(path)) << path;
        EXPECT_EQ(decoder.GetLength(), 0) << path;
        int count = 10;
        EXPECT_EQ(decoder.Read(count), nullptr);
    }
    // A truncated file plays what it holds.
    CAnyAudioDec truncated;
    ASSERT_TRUE(truncated.OpenFile(dir.WriteFile("cut.wav", bytes.substr(0, 44 + 2000))));
    EXPECT_NEAR(double(truncated.GetLength()), 1000, 40); // less what the header took
}

// Measuring decodes as opening does, so the facts agree to the frame, but
// keeps no sound to read; broken files fail alike.
TEST(AudioDecoders, MeasuringTellsWhatOpeningGivesWithoutTheSound) {
    CTempDir dir;
    std::vector<std::string> paths;
    auto write = [&](const char* name, const char* encoder, int rate, int channels,
                     double seconds) {
        std::string path = dir / name;
        ASSERT_TRUE(SoundWriter::Write(path, encoder, rate, channels,
                                       SoundWriter::Sine(440, seconds, rate, channels)))
            << name;
        paths.push_back(path);
    };
    write("eight.wav", "pcm_u8", 8000, 1, 0.5);
    write("surround.wav", "pcm_s16le", 48000, 6, 0.7);
    write("layer2.mp2", "mp2", 44100, 2, 1.3);
    write("music.m4a", "aac", 48000, 2, 1.1);
    if (SoundWriter::HasEncoder("libmp3lame"))
        write("music.mp3", "libmp3lame", 44100, 2, 2.2);
    const std::string wav = dir / "ramp.wav";
    ASSERT_TRUE(SoundWriter::Write(wav, "pcm_s16le", 8000, 1, Ramp(8000, 1)));
    paths.push_back(dir.WriteFile("cut.wav", ReadWholeFile(wav).substr(0, 44 + 2001)));
    for (const std::string& path : paths) {
        for (int rate : {0, 22050}) {
            CAnyAudioDec opened, measured;
            if (rate) {
                opened.SetFormat(rate, 2, 16);
                measured.SetFormat(rate, 2, 16);
            }
            // Measured first: a whole decode would be remembered and make
            // measuring only recall it.
            ASSERT_TRUE(measured.MeasureFile(path)) << path << ": " << measured.GetTargetError();
            ASSERT_TRUE(opened.OpenFile(path)) << path;
            EXPECT_EQ(measured.GetSampleRate(), opened.GetSampleRate()) << path;
            EXPECT_EQ(measured.GetChannels(), opened.GetChannels()) << path;
            EXPECT_EQ(measured.GetBitsPerSample(), opened.GetBitsPerSample()) << path;
            EXPECT_EQ(measured.GetLength(), opened.GetLength()) << path;
            EXPECT_GT(measured.GetLength(), 0) << path;
            int count = 10;
            EXPECT_EQ(measured.Read(count), nullptr) << path;
            EXPECT_EQ(count, 0) << path;
            // The same decoder opens the file whole afterwards.
            ASSERT_TRUE(measured.OpenFile(path)) << path;
            count = 10;
            EXPECT_NE(measured.Read(count), nullptr) << path;
        }
    }
    const std::string noise = dir.WriteFile("noise.mp3", std::string(5000, 'Z'));
    for (const std::string& bad : {dir / "missing.wav", noise, std::string()}) {
        CAnyAudioDec opened, measured;
        EXPECT_FALSE(opened.OpenFile(bad));
        EXPECT_FALSE(measured.MeasureFile(bad));
        EXPECT_EQ(measured.GetTargetError(), opened.GetTargetError());
        EXPECT_EQ(measured.GetLength(), 0);
    }
}

// A decoder told to keep the start of a sound has its samples there and
// none past it, while its length stays the whole file's: decoding the rest
// only to count it, or stopping early when a whole decode of the file as it
// is was remembered.
TEST(AudioDecoders, KeepingOnlyTheStartOfASound) {
    CTempDir dir;
    std::vector<std::string> paths{dir / "ramp.wav", dir / "music.m4a"};
    ASSERT_TRUE(SoundWriter::Write(paths[0], "pcm_s16le", 8000, 1, Ramp(8000, 2)));
    ASSERT_TRUE(SoundWriter::Write(paths[1], "aac", 48000, 2, SoundWriter::Sine(440, 2, 48000, 2)));
    if (SoundWriter::HasEncoder("libmp3lame")) {
        paths.push_back(dir / "music.mp3");
        ASSERT_TRUE(SoundWriter::Write(paths.back(), "libmp3lame", 44100, 2,
                                       SoundWriter::Sine(440, 2, 44100, 2)));
    }
    for (const std::string& path : paths) {
        // Before any whole decode of the file, and after one.
        CAnyAudioDec first, whole, again;
        first.KeepOnly(0.5);
        ASSERT_TRUE(first.OpenFile(path)) << path;
        ASSERT_TRUE(whole.OpenFile(path)) << path;
        again.KeepOnly(0.5);
        ASSERT_TRUE(again.OpenFile(path)) << path;
        for (CAnyAudioDec* start : {&first, &again}) {
            EXPECT_EQ(start->GetLength(), whole.GetLength()) << path;
            const std::int64_t rate = start->GetSampleRate();
            EXPECT_EQ(SampleAt(*start, rate / 4), SampleAt(whole, rate / 4)) << path;
            EXPECT_EQ(SampleAt(*start, rate / 2 - 1), SampleAt(whole, rate / 2 - 1)) << path;
            // A read that reaches past what is kept stops there.
            start->Seek(rate / 2 - 10, IAudioSrc::kFromStart);
            int count = int(rate);
            EXPECT_NE(start->Read(count), nullptr) << path;
            EXPECT_GE(count, 10) << path;
            EXPECT_LT(count, int(rate)) << path;
            start->Seek(rate * 3 / 2, IAudioSrc::kFromStart);
            count = 10;
            EXPECT_EQ(start->Read(count), nullptr) << path;
            EXPECT_EQ(count, 0) << path;
        }
        // Written over at another length, the file is counted again.
        if (path == paths[0]) {
            ASSERT_TRUE(SoundWriter::Write(path, "pcm_s16le", 8000, 1, Ramp(8000, 3)));
            CAnyAudioDec longer;
            longer.KeepOnly(0.5);
            ASSERT_TRUE(longer.OpenFile(path));
            EXPECT_EQ(longer.GetLength(), 3 * 8000);
        }
    }
}

TEST(AudioDecoders, MusicEntriesTrimAndFade) {
    CDecoderProbeScope probe;
    CTempDir dir;
    std::string path = dir / "ramp.wav";
    ASSERT_TRUE(SoundWriter::Write(path, "pcm_s16le", 8000, 1, Ramp(8000, 35)));

    CMusicFile late(path);
    ASSERT_TRUE(late.IsOpened()) << late.GetError();
    late.SetStartAndLength(30, 0);
    CMusicFile::XAudioSrc src(late);
    ASSERT_TRUE(src.Open());
    EXPECT_EQ(src.GetLength(), 5 * 8000); // from 30 s to the end
    EXPECT_EQ(SampleAt(src, 0), (30 * 8000 / 8) % 4000);
    EXPECT_EQ(src.Seek(0, IAudioSrc::kFromEnd), 5 * 8000 - 1);

    // A 10 s fade-in on a 12 s stretch is cut to 6 s.
    std::string loud = dir / "loud.wav";
    ASSERT_TRUE(SoundWriter::Write(loud, "pcm_s16le", 8000, 1,
                                   std::vector<std::int16_t>(8000 * 20, 20000)));
    CMusicFile faded(loud);
    faded.SetStartAndLength(1, 12);
    faded.m_fadeIn = 10;
    CMusicFile::XAudioSrc fsrc(faded);
    ASSERT_TRUE(fsrc.Open());
    EXPECT_EQ(fsrc.GetLength(), 12 * 8000);
    EXPECT_EQ(SampleAt(fsrc, 0), 0);
    EXPECT_EQ(SampleAt(fsrc, 3 * 8000), 10000);
    EXPECT_EQ(SampleAt(fsrc, 6 * 8000), 20000);
    // Reading the same frames twice fades them once.
    EXPECT_EQ(SampleAt(fsrc, 3 * 8000), 10000);

    // No file: silence of the play length.
    CMusicFile empty;
    empty.SetStartAndLength(0, 2);
    CMusicFile::XAudioSrc esrc(empty);
    esrc.SetFormat(1000, 2, 16);
    ASSERT_TRUE(esrc.Open());
    EXPECT_EQ(esrc.GetLength(), 2000);
}
