// The external-encoder engine: its job variables and template expansion, the
// override files, every failure it reports, a cancel that ends the program,
// and whole encodes through the example external encoder (FFmpeg behind
// kelvclip-frameclient), read back with FFmpeg's libraries.
#include "base/Settings.h"
#include "encode/McMpgEngine.h"
#include "encode/MpgEngine.h"
#include "encode/TMpgEngine.h"
#include "tests/encode/EncodeTestKit.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace {

// The example encoder finds the client through the variable the engine sets
// for a program beside kelvclip; the tests' programs are elsewhere.
const int kClient = setenv(CTMpgEngine::kClientVariable, KV_FRAMECLIENT, 0);

std::string Script(const CTempDir& dir, const std::string& name, const std::string& body) {
    const std::string path = dir.WriteFile(name, "#!/bin/bash\n" + body);
    chmod(path.c_str(), 0755);
    return path;
}

// Files left in a folder besides the ones named.
int FilesIn(const CTempDir& dir) {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        ++count;
    return count;
}

// Whether a process runs (a zombie nobody reaped yet has ended).
bool Alive(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    std::getline(in, text);
    const std::size_t close = text.rfind(')');
    return close != std::string::npos && close + 2 < text.size() && text[close + 2] != 'Z';
}

pid_t ReadPid(const std::string& path) {
    std::ifstream in(path);
    pid_t pid = 0;
    in >> pid;
    return pid;
}

class CStopWhen final : public IProgress {
public:
    explicit CStopWhen(int reports) : m_left(reports) {}
    bool OnProgress(int percent) override {
        last = percent;
        return --m_left > 0;
    }
    int last = -1;

private:
    int m_left;
};

} // namespace

TEST(TMpgJob, VariablesFollowTheDiscStandardAndShape) {
    CTMpgEngine engine("/bin/true");
    engine.SetFormat(CMpgEncodeEngine::kDvd, 1, 0);
    auto v = engine.JobVariables("/o/a.MPV.atv", "/o/a.MPV", true);
    EXPECT_EQ(v["$$VIDEO_SRC_FNAME"], "/o/a.MPV.atv");
    EXPECT_EQ(v["$$VIDEO_OUT_FNAME"], "/o/a.MPV");
    EXPECT_EQ(v["$$VIDEO_OUTPUT"], "MPEG_OutputStreamType_VideoOnly");
    EXPECT_EQ(v["$$AUDIO_SRC_FNAME"], "");
    EXPECT_EQ(v["$$VIDEO_TYPE"], "$$DVD_PAL");
    EXPECT_EQ(v["$$VIDEO_FRAMERATE"] + v["$$VIDEO_FORMAT"] + v["$$VIDEO_SRC_ASPECT"], "3113");
    EXPECT_EQ(v["$$VIDEO_WIDTH"] + "x" + v["$$VIDEO_HEIGHT"], "720x576");
    EXPECT_EQ(v["$$VIDEO_ASPRATIO"], "2");
    EXPECT_EQ(v["$$GOP_P_FRAMECNT"] + "/" + v["$$GOP_MAXFRAME"], "4/15");

    engine.SetFormat(CMpgEncodeEngine::kDvd, 0, 1);
    v = engine.JobVariables("p", "o", false);
    EXPECT_EQ(v["$$VIDEO_OUTPUT"], "MPEG_OutputStreamType_System_VideoAudio");
    EXPECT_EQ(v["$$AUDIO_SRC_FNAME"], "p");
    EXPECT_EQ(v["$$VIDEO_FRAMERATE"] + v["$$VIDEO_FORMAT"] + v["$$VIDEO_SRC_ASPECT"], "4214");
    EXPECT_EQ(v["$$VIDEO_ASPRATIO"], "3");
    EXPECT_EQ(v["$$GOP_P_FRAMECNT"] + "/" + v["$$GOP_MAXFRAME"], "5/18");

    // Video CDs: their own heights and MPEG-1 pixel shapes; no GOP variables.
    const struct { int pal, wide; const char* height; const char* aspect; } vcd[] = {
        {1, 0, "288", "8"}, {1, 1, "288", "3"}, {0, 0, "240", "12"}, {0, 1, "240", "6"}};
    for (const auto& c : vcd) {
        engine.SetFormat(CMpgEncodeEngine::kVcd, c.pal, c.wide);
        v = engine.JobVariables("p", "o", false);
        EXPECT_EQ(v["$$VIDEO_WIDTH"], "352");
        EXPECT_EQ(v["$$VIDEO_HEIGHT"], c.height);
        EXPECT_EQ(v["$$VIDEO_ASPRATIO"], c.aspect) << c.pal << c.wide;
        EXPECT_EQ(v["$$VIDEO_TYPE"], c.pal ? "$$VCD_PAL" : "$$VCD_NTSC");
        EXPECT_EQ(v.count("$$GOP_MAXFRAME"), 0u);
    }
    engine.SetFormat(CMpgEncodeEngine::kSvcd, 0, 0);
    v = engine.JobVariables("p", "o", false);
    EXPECT_EQ(v["$$VIDEO_WIDTH"] + "x" + v["$$VIDEO_HEIGHT"] + " " + v["$$VIDEO_TYPE"], "480x480 $$SVCD_NTSC");

    EXPECT_NE(CTMpgEngine::JobTemplate(0), nullptr);
    EXPECT_NE(CTMpgEngine::JobTemplate(2), nullptr);
    EXPECT_EQ(CTMpgEngine::JobTemplate(3), nullptr);
    EXPECT_STREQ(CTMpgEngine::ProfileKey(1, true), "TMpgEncSvcdPAL");
    EXPECT_STREQ(CTMpgEngine::ProfileKey(0, false), "TMpgEncDvdNTSC");
    EXPECT_EQ(CTMpgEngine::ProfileKey(4, true), nullptr);
}

TEST(TMpgJob, ExpansionReplacesVariablesAndOverridesValues) {
    const CTMpgEngine::TStrings vars = {{"$$SRC", "/a b/it's.atv"}, {"$$W", "720"}, {"$$T", "$$DVD_PAL"}};
    const CTMpgEngine::TStrings over = {{"JOB.Rate", "8000000"}, {"JOB.Matrix", "{ 1 2 3 }"},
                                        {"JOB.Width", "9"}};
    const std::string text =
        "; comment = kept\r\n"
        "JOB.Source = '$$SRC'\r\n"         // quoted variable: the quotes stay
        "JOB.Width = $$W\r\n"              // a variable wins over an override
        "JOB.Type=$$T\r\n"
        "JOB.Unknown = $$NONE\r\n"         // no such variable: left alone
        "JOB.Rate = 6000000\r\n"           // overridden
        "JOB.Kept = <a\r\n"                // a block, copied as it is
        "JOB.Rate = inside\r\n"
        ">\r\n"
        "JOB.Matrix = <\r\n"               // overridden with its block
        "  16 16 16\r\n"
        "  >\r\n"
        "last line without end";
    EXPECT_EQ(CTMpgEngine::ExpandTemplate(text, vars, over),
              "; comment = kept\n"
              "JOB.Source = '/a b/it's.atv'\n"
              "JOB.Width = 720\n"
              "JOB.Type=$$DVD_PAL\n"
              "JOB.Unknown = $$NONE\n"
              "JOB.Rate = 8000000\n"
              "JOB.Kept = <a\n"
              "JOB.Rate = inside\n"
              ">\n"
              "JOB.Matrix = { 1 2 3 }\n"
              "last line without end\n");
    // A replacement that contains the variable's own name is not expanded again.
    EXPECT_EQ(CTMpgEngine::ExpandTemplate("K = $$X\n", {{"$$X", "$$X$$X"}}, {}), "K = $$X$$X\n");
}

TEST(TMpgJob, OverrideFilesAndTheirMultiLineValues) {
    CTempDir dir;
    const std::string path = dir.WriteFile("profile.txt",
                                           " Video.BitRate = 8000000 \r\n"
                                           "no equals sign\n"
                                           "Matrix = { 8 16\n"
                                           "   19 22\n"
                                           " 26 }\n"
                                           "Empty =\n"
                                           "Open = { never closed\n"
                                           "  goes on");
    CTMpgEngine::TStrings over;
    std::string why;
    ASSERT_TRUE(CTMpgEngine::ReadOverrides(path, over, why)) << why;
    EXPECT_EQ(over["JOB.Video.BitRate"], "8000000");
    EXPECT_EQ(over["JOB.Matrix"], "{ 8 16 19 22 26");
    EXPECT_EQ(over["JOB.Empty"], "");
    EXPECT_EQ(over["JOB.Open"], "{ never closed goes on");
    EXPECT_EQ(over.size(), 4u);
    EXPECT_FALSE(CTMpgEngine::ReadOverrides(dir / "missing.txt", over, why));
    EXPECT_FALSE(why.empty());
}

TEST(TMpgEngine, EveryFailureIsResultTwoWithItsReason) {
    CScopedSettings settings;
    CTempDir dir;
    CTestVideoSrc video(64, 48, 10);
    auto encode = [&](CTMpgEngine& engine, int format = 0) {
        engine.SetFormat(format, 1, 0);
        return engine.Encode(&video, nullptr, dir / "out.mpg", nullptr);
    };
    CTMpgEngine missing(dir / "no-such-encoder");
    EXPECT_EQ(encode(missing), IEncodeEngine::kFailed);
    EXPECT_NE(missing.GetErrorText().find("no-such-encoder\" cannot be found"), std::string::npos)
        << missing.GetErrorText();

    const std::string failing = Script(dir, "failing.sh", "echo working; echo 'no licence' >&2; exit 3\n");
    CTMpgEngine noTemplate(failing);
    EXPECT_EQ(encode(noTemplate, 7), IEncodeEngine::kFailed);
    EXPECT_EQ(noTemplate.GetErrorText(), "There is no job template for the MPEG format 7");

    SetSettingString("TMpgEncSvcdPAL", dir / "no-profile.txt");
    CTMpgEngine noProfile(failing);
    EXPECT_EQ(encode(noProfile, 1), IEncodeEngine::kFailed);
    EXPECT_NE(noProfile.GetErrorText().find("no-profile.txt\" (setting \"TMpgEncSvcdPAL\")"),
              std::string::npos)
        << noProfile.GetErrorText();

    CTMpgEngine fails(failing);
    EXPECT_EQ(encode(fails), IEncodeEngine::kFailed);
    EXPECT_NE(fails.GetErrorText().find("ended with status 3: no licence"), std::string::npos)
        << fails.GetErrorText();

    const std::string lazy = Script(dir, "lazy.sh", "echo done > \"${!#%.tbe}\"\n");
    CTMpgEngine readsNothing(lazy);
    EXPECT_EQ(encode(readsNothing, 2), IEncodeEngine::kFailed);
    EXPECT_NE(readsNothing.GetErrorText().find("without reading any frame"), std::string::npos)
        << readsNothing.GetErrorText();

    const std::string noArgs = Script(dir, "notexec.sh", "exit 0\n");
    chmod(noArgs.c_str(), 0644);
    CTMpgEngine notExecutable(noArgs);
    EXPECT_EQ(encode(notExecutable), IEncodeEngine::kFailed);
    EXPECT_NE(notExecutable.GetErrorText().find("cannot be started"), std::string::npos)
        << notExecutable.GetErrorText();

    CTMpgEngine lineBreak(failing);
    lineBreak.SetFormat(0, 1, 0);
    EXPECT_EQ(lineBreak.Encode(&video, nullptr, dir / "a\nJOB.Output.File = x", nullptr),
              IEncodeEngine::kFailed);

    // Nothing is left behind: placeholders, job files, video-only streams.
    EXPECT_EQ(FilesIn(dir), 4) << "the four scripts only";
}

TEST(TMpgEngine, TheJobIsStartedAsTheExternalProgramExpects) {
    CScopedSettings settings;
    CTempDir dir;
    // Records its arguments and the job, then encodes with the example.
    const std::string program = Script(dir, "record.sh",
        "printf '%s\\n' \"$@\" > \"" + dir / "args" + "\"\n"
        "cp \"$3\" \"" + dir / "job" + "\"\n"
        "ls -l \"$3\" | cut -c1-10 > \"" + dir / "mode" + "\"\n"
        "exec " KV_EXAMPLE_ENCODER " \"$@\"\n");
    const std::string profile = dir.WriteFile("vcd.txt", "Video.Decision = bits\n");
    SetSettingString("TMpgEncVcdNTSC", profile);
    CTestVideoSrc video(352, 240, 12, 29.97);
    CToneSrc audio(12 / 29.97);
    CTMpgEngine engine(program);
    engine.SetFormat(CMpgEncodeEngine::kVcd, 0, 0);
    const std::string out = dir / "clip.mpg";
    ASSERT_EQ(engine.Encode(&video, &audio, out, nullptr), IEncodeEngine::kDone) << engine.GetErrorText();

    EXPECT_EQ(ReadWholeFile(dir / "args"), "/batch\n/close\n" + out + ".tbe\n");
    EXPECT_EQ(ReadWholeFile(dir / "mode"), "-rw-------\n");
    const std::string job = ReadWholeFile(dir / "job");
    EXPECT_NE(job.find("JOB.Source.Video = '" + out + ".atv'\n"), std::string::npos) << job;
    EXPECT_NE(job.find("JOB.Source.Audio = '" + out + ".atv'\n"), std::string::npos) << job;
    EXPECT_NE(job.find("JOB.Output.StreamType = MPEG_OutputStreamType_System_VideoAudio\n"),
              std::string::npos);
    EXPECT_NE(job.find("JOB.Video.Decision = bits\n"), std::string::npos) << "the profile's value";
    EXPECT_EQ(job.find('\r'), std::string::npos);

    // A video CD with the sound served through the channel.
    SFileInfo file = Inspect(out);
    ASSERT_TRUE(file.opened);
    ASSERT_NE(file.Video(), nullptr);
    EXPECT_EQ(file.Video()->codec, "mpeg1video");
    EXPECT_EQ(file.Video()->width, 352);
    EXPECT_EQ(file.Video()->height, 240);
    EXPECT_EQ(file.Video()->frames, 12);
    ASSERT_NE(file.Audio(), nullptr);
    EXPECT_EQ(file.Audio()->sampleRate, 44100);
    EXPECT_EQ(FilesIn(dir), 6) << "placeholder and job file removed";
}

TEST(TMpgEngine, ADvdThroughTheExampleEncoderHasExactFramesAndSound) {
    CScopedSettings settings;
    CTempDir dir;
    const unsigned frames = 50;
    CTestVideoSrc video(720, 576, frames, 25.0);
    CToneSrc audio(frames / 25.0);
    audio.SetFormat(48000, 2, 16);
    CTMpgEngine engine(KV_EXAMPLE_ENCODER);
    engine.SetFormat(CMpgEncodeEngine::kDvd, 1, 0);
    engine.SetAudioType(0);
    engine.SetQuality(31);
    CStopAfter progress(1000000);
    const std::string out = dir / "disc.mpg";
    ASSERT_EQ(engine.Encode(&video, &audio, out, &progress), IEncodeEngine::kDone)
        << engine.GetErrorText();
    EXPECT_EQ(progress.last, 100) << "the multiplexing reports last";

    // The built-in engine on the same sources, for the sound it writes.
    CTestVideoSrc video2(720, 576, frames, 25.0);
    CToneSrc audio2(frames / 25.0);
    audio2.SetFormat(48000, 2, 16);
    CMcMpgEngine builtin;
    builtin.SetFormat(CMpgEncodeEngine::kDvd, 1, 0);
    ASSERT_EQ(builtin.Encode(&video2, &audio2, dir / "builtin.mpg", nullptr), IEncodeEngine::kDone);

    SFileInfo file = Inspect(out), reference = Inspect(dir / "builtin.mpg");
    ASSERT_TRUE(file.opened);
    EXPECT_EQ(file.format, "mpeg");
    const SStreamInfo* v = file.Video();
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->codec, "mpeg2video");
    EXPECT_EQ(v->width, 720);
    EXPECT_EQ(v->height, 576);
    EXPECT_EQ(v->frames, frames);
    EXPECT_NEAR(v->fps, 25.0, 1e-9);
    EXPECT_LE(v->longestGop, 15);
    EXPECT_EQ(file.mpegAspectCode, 2);
    EXPECT_EQ(v->topColour, 0);
    EXPECT_EQ(v->bottomColour, 1);
    const SStreamInfo* a = file.Audio();
    ASSERT_NE(a, nullptr);
    ASSERT_NE(reference.Audio(), nullptr);
    EXPECT_EQ(a->codec, "mp2");
    EXPECT_EQ(a->sampleRate, 48000);
    EXPECT_EQ(a->samples, reference.Audio()->samples) << "the sound as the built-in engine writes it";
    EXPECT_EQ(FilesIn(dir), 2) << "no video-only stream, placeholder or job file left";
}

TEST(TMpgEngine, CancelEndsTheExternalProgramAndWhatItStarted) {
    CScopedSettings settings;
    CTempDir dir;
    // A program that starts a child and never reads a frame.
    const std::string stuck = Script(dir, "stuck.sh",
        "sleep 600 & echo $! > \"" + dir / "child" + "\"\necho $$ > \"" + dir / "self" + "\"\nwait\n");
    CTestVideoSrc video(64, 48, 10);
    CTMpgEngine engine(stuck);
    engine.SetFormat(CMpgEncodeEngine::kSvcd, 1, 0);
    CStopWhen progress(4); // the idle reports of the frame server
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(engine.Encode(&video, nullptr, dir / "out.mpg", &progress), IEncodeEngine::kCancelled);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    const pid_t self = ReadPid(dir / "self"), child = ReadPid(dir / "child");
    ASSERT_GT(self, 0);
    ASSERT_GT(child, 0);
    // Signals are delivered in their own time; the group is gone soon.
    for (int i = 0; i < 100 && (Alive(self) || Alive(child)); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(Alive(self));
    EXPECT_FALSE(Alive(child)) << "the program's own children end with it";

    // A cancel in the middle of serving frames to the example encoder.
    CTestVideoSrc many(720, 576, 2000, 25.0);
    CTMpgEngine example(KV_EXAMPLE_ENCODER);
    example.SetFormat(CMpgEncodeEngine::kDvd, 1, 0);
    CStopWhen later(30);
    EXPECT_EQ(example.Encode(&many, nullptr, dir / "long.mpg", &later), IEncodeEngine::kCancelled);
    EXPECT_FALSE(std::filesystem::exists(dir / "long.MPV")) << "the cut video-only stream is removed";
    EXPECT_FALSE(std::filesystem::exists(dir / "long.MPV.atv"));
}

TEST(TMpgEngine, WhatTheExternalProgramCannotTakeGoesToTheBuiltInEngine) {
    CScopedSettings settings;
    CTempDir dir;
    const std::string never = Script(dir, "never.sh", "touch \"" + dir / "ran" + "\"; exit 1\n");
    CTMpgEngine engine(never);
    // A custom size.
    CTestVideoSrc video(320, 240, 10);
    engine.SetFormat(CMpgEncodeEngine::kCustomMpeg2, 1, 0);
    engine.SetCustomSize(320, 240);
    EXPECT_EQ(engine.Encode(&video, nullptr, dir / "custom.mpg", nullptr), IEncodeEngine::kDone)
        << engine.GetErrorText();
    // A single picture.
    CTestVideoSrc still(720, 576, 1);
    engine.SetFormat(CMpgEncodeEngine::kDvd, 1, 0);
    EXPECT_EQ(engine.Encode(&still, nullptr, dir / "still.mpg", nullptr), IEncodeEngine::kDone)
        << engine.GetErrorText();
    EXPECT_FALSE(std::filesystem::exists(dir / "ran"));
}

TEST(TMpgEngine, TheMpegEngineHandsOverWhenTheSettingAsks) {
    CScopedSettings settings;
    CTempDir dir;
    const std::string marker = dir / "ran";
    const std::string program = Script(dir, "mark.sh", "touch \"" + marker + "\"\nexec " KV_EXAMPLE_ENCODER " \"$@\"\n");
    CTestVideoSrc video(480, 576, 8);
    auto encode = [&](const std::string& name) {
        CMpgEngine engine;
        engine.SetFormat(CMpgEncodeEngine::kSvcd, 1, 0);
        return engine.Encode(&video, nullptr, dir / name, nullptr);
    };
    SetSettingString("TMpgEnc", program);
    EXPECT_EQ(encode("a.mpg"), IEncodeEngine::kDone);
    EXPECT_FALSE(std::filesystem::exists(marker)) << "\"Encoder\" is 0";
    SetSettingInt("Encoder", 1);
    SetSettingString("TMpgEnc", dir / "not-installed");
    EXPECT_EQ(encode("b.mpg"), IEncodeEngine::kDone) << "not installed: the built-in engine";
    EXPECT_FALSE(std::filesystem::exists(marker));
    SetSettingString("TMpgEnc", program);
    EXPECT_EQ(CTMpgEngine::FindProgram(), program);
    EXPECT_EQ(encode("c.mpg"), IEncodeEngine::kDone);
    EXPECT_TRUE(std::filesystem::exists(marker));
    EXPECT_EQ(Inspect(dir / "c.mpg").Video()->frames, 8);
}

TEST(TMpgEngine, AVideoOnlyStreamNeverTakesAFileThatIsThere) {
    CScopedSettings settings;
    CTempDir dir;
    // The user's own file of the name the video-only stream would have.
    const std::string mine = dir.WriteFile("disc.MPV", "mine");
    CTestVideoSrc video(720, 576, 6);
    CTMpgEngine engine(KV_EXAMPLE_ENCODER);
    engine.SetFormat(CMpgEncodeEngine::kDvd, 1, 0);
    ASSERT_EQ(engine.Encode(&video, nullptr, dir / "disc.mpg", nullptr), IEncodeEngine::kDone)
        << engine.GetErrorText();
    EXPECT_EQ(ReadWholeFile(mine), "mine");
    EXPECT_EQ(Inspect(dir / "disc.mpg").Video()->frames, 6);
    EXPECT_EQ(FilesIn(dir), 2);
}
