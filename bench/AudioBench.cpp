// Sound track and resampler speed, as multiples of real time (one thread),
// and what measuring and opening a music file costs.
//   build/bin/bench_audio
//   SOUND=music.mp3 build/bin/bench_audio --benchmark_filter=Music
// (SOUND: the music file to measure and open; a 300 s WAV made here by default.)
#include "audio/AlbumAudioSrc.h"
#include "audio/AnyAudioDec.h"
#include "audio/DecoderProbe.h"
#include "audio/Resampler.h"
#include "project/Album.h"
#include "project/Slide.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::vector<std::int16_t> Sine(double frequency, double seconds, int rate, int channels) {
    std::vector<std::int16_t> s(std::size_t(seconds * rate) * std::size_t(channels));
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = std::int16_t(12000 * std::sin(2 * M_PI * frequency * double(i / std::size_t(channels)) / rate));
    return s;
}

void Put(std::ofstream& out, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.put(char(v >> (8 * i)));
}

// The folder of the sounds written here, removed when the program ends.
struct SScratch {
    std::string folder;
    SScratch() {
        std::string pattern = "/tmp/kvbench.XXXXXX";
        if (!mkdtemp(pattern.data())) {
            std::perror("bench_audio: /tmp");
            std::exit(1);
        }
        folder = pattern;
    }
    ~SScratch() {
        if (!folder.empty())
            std::filesystem::remove_all(folder);
    }
};

std::string WriteWav(const std::string& name, int rate, int channels, double seconds) {
    static const SScratch scratch;
    std::string path = scratch.folder + "/" + name;
    std::vector<std::int16_t> samples = Sine(440, seconds, rate, channels);
    std::ofstream out(path, std::ios::binary);
    std::uint32_t bytes = std::uint32_t(samples.size() * 2);
    out << "RIFF";
    Put(out, 36 + bytes, 4);
    out << "WAVEfmt ";
    Put(out, 16, 4);
    Put(out, 1, 2);
    Put(out, std::uint32_t(channels), 2);
    Put(out, std::uint32_t(rate), 4);
    Put(out, std::uint32_t(rate * channels * 2), 4);
    Put(out, std::uint32_t(channels * 2), 2);
    Put(out, 16, 2);
    out << "data";
    Put(out, bytes, 4);
    out.write(reinterpret_cast<const char*>(samples.data()), std::streamsize(bytes));
    return path;
}

// A 60 s album: music at 48000 Hz stereo, three slide sounds at 22050 Hz mono,
// 44100 Hz stereo and 32000 Hz stereo, with ducking and fades.
void BuildAlbum(CAlbum& album) {
    album.m_music.emplace_back(WriteWav("music.wav", 48000, 2, 70));
    album.m_musicFlags = CAlbum::kMusicRepeat | CAlbum::kMusicFade;
    album.m_musicFadeIn = 2;
    album.m_musicFadeOut = 4;
    album.m_transitionLength = 0;
    const char* sounds[] = {"a.wav", "b.wav", "c.wav"};
    const int rates[] = {22050, 44100, 32000}, channels[] = {1, 2, 2};
    for (int i = 0; i < 6; ++i) {
        CSlide slide;
        slide.m_displayTime = 9;
        slide.m_transitionLength = 1;
        if (i % 2 == 1) {
            slide.m_sound.SetFile(WriteWav(sounds[i / 2], rates[i / 2], channels[i / 2], 6));
            slide.m_musicLevel = 0.4;
            slide.m_soundFadeIn = 0.5;
            slide.m_soundVolume = 0.9;
        }
        album.AddSlide(slide);
    }
}

void SoundTrack(benchmark::State& state) {
    CDecoderProbe::Install();
    CAlbum album;
    BuildAlbum(album);
    double seconds = album.GetAlbumDuration();
    for (auto _ : state) {
        CAlbumAudioSrc track(44100, 2, 16);
        track.Build(album);
        track.Open();
        std::int64_t frames = 0;
        for (int count = 4410; const std::uint8_t* data = track.Read(count); count = 4410) {
            benchmark::DoNotOptimize(data);
            frames += count;
        }
        if (frames != std::int64_t(seconds * 44100))
            state.SkipWithError("the track has the wrong length");
    }
    state.counters["xRealTime"] = benchmark::Counter(seconds * double(state.iterations()),
                                                     benchmark::Counter::kIsRate);
}
BENCHMARK(SoundTrack)->Unit(benchmark::kMillisecond);

void Resample(benchmark::State& state) {
    int from = int(state.range(0));
    const double seconds = 10;
    std::vector<std::int16_t> left = Sine(1000, seconds, from, 1), right = left;
    for (auto _ : state) {
        CResampler l, r;
        l.Init(from, 44100);
        r.Init(from, 44100);
        std::vector<std::int16_t> outL, outR;
        outL.reserve(std::size_t(seconds * 44100) + 100);
        outR.reserve(outL.capacity());
        for (std::size_t at = 0; at < left.size(); at += 4096) {
            std::size_t n = std::min<std::size_t>(4096, left.size() - at);
            l.Process(left.data() + at, n, outL);
            r.Process(right.data() + at, n, outR);
        }
        benchmark::DoNotOptimize(outL.data());
        benchmark::DoNotOptimize(outR.data());
    }
    state.counters["xRealTime"] = benchmark::Counter(seconds * double(state.iterations()),
                                                     benchmark::Counter::kIsRate);
}
BENCHMARK(Resample)->Arg(22050)->Arg(48000)->Unit(benchmark::kMillisecond);

const std::string& MusicFile() {
    static const std::string path = [] {
        const char* given = std::getenv("SOUND");
        return given && *given ? std::string(given) : WriteWav("long.wav", 44100, 2, 300);
    }();
    return path;
}

// Measuring a music file as the template's sound track: its format and exact
// length. Touched before each round, so it is decoded, not recalled.
void MeasureMusic(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        utimensat(AT_FDCWD, MusicFile().c_str(), nullptr, 0);
        state.ResumeTiming();
        CAnyAudioDec decoder;
        if (!decoder.MeasureFile(MusicFile()))
            state.SkipWithError(decoder.GetTargetError().c_str());
    }
}
BENCHMARK(MeasureMusic)->Unit(benchmark::kMillisecond);

// Opening it for an album that plays its first minute, once it was measured.
void OpenMusicStart(benchmark::State& state) {
    CAnyAudioDec measured;
    measured.MeasureFile(MusicFile());
    for (auto _ : state) {
        CAnyAudioDec decoder;
        decoder.KeepOnly(60);
        if (!decoder.OpenFile(MusicFile()))
            state.SkipWithError(decoder.GetTargetError().c_str());
    }
}
BENCHMARK(OpenMusicStart)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
