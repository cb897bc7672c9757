#include "encode/AviEngine.h"
#include "encode/McMpgEngine.h"
#include "encode/MpgEngine.h"
#include "encode/MpgPreset.h"
#include "encode/Muxer.h"
#include "encode/VidEnc.h"
#include "encode/VidMpv.h"
#include "tests/encode/EncodeTestKit.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace {

// The three kinds of output: an MPEG program stream, an AVI file and a WAV file.
struct SOutput {
    const char* name;
    std::function<std::unique_ptr<IEncodeEngine>()> make;
    bool withVideo;
};

std::unique_ptr<IEncodeEngine> MakeMpg() {
    auto engine = std::make_unique<CMpgEngine>();
    engine->SetFormat(3, 1, 0);
    engine->SetCustomSize(64, 48);
    return engine;
}
std::unique_ptr<IEncodeEngine> MakeAvi() { return std::make_unique<CAviEngine>(); }
std::unique_ptr<IEncodeEngine> MakeWav() {
    auto engine = std::make_unique<CMcMpgEngine>();
    engine->SetFormat(2, 1, 0);
    engine->SetAudioType(1);
    return engine;
}

const SOutput kOutputs[] = {{"mpg", MakeMpg, true}, {"avi", MakeAvi, true}, {"wav", MakeWav, false}};

int EncodeTo(const SOutput& out, const std::string& path, std::string& error) {
    CTestVideoSrc video(64, 48, 10);
    CToneSrc audio(0.4);
    auto engine = out.make();
    int result = engine->Encode(out.withVideo ? &video : nullptr, &audio, path, nullptr);
    error = engine->GetErrorText();
    return result;
}

} // namespace

// Output that cannot be written fails with a text naming the file.
TEST(EncodeFailure, UnwritableOutputNamesTheFile) {
    CTempDir dir;
    for (const SOutput& out : kOutputs) {
        SCOPED_TRACE(out.name);
        std::string error;
        const std::string missing = dir / "no/such/folder/out.x";
        EXPECT_EQ(EncodeTo(out, missing, error), IEncodeEngine::kFailed);
        EXPECT_NE(error.find(missing), std::string::npos) << error;
        // A folder where the file should be.
        EXPECT_EQ(EncodeTo(out, dir.Path(), error), IEncodeEngine::kFailed);
        EXPECT_NE(error.find(dir.Path()), std::string::npos) << error;
        // A full disk.
        EXPECT_EQ(EncodeTo(out, "/dev/full", error), IEncodeEngine::kFailed);
        EXPECT_NE(error.find("/dev/full"), std::string::npos) << error;
        EXPECT_NE(error.find("space"), std::string::npos) << error;
    }
}

// A disk that fills while pictures are being compressed: the failure comes
// from the compressing thread and ends the frame loop.
TEST(EncodeFailure, DiskFullDuringTheFrameLoop) {
    CTestVideoSrc video(720, 576, 200);
    CToneSrc audio(8.0);
    CStopAfter never(1000);
    CMpgEngine engine;
    engine.SetFormat(0, 1, 0);
    EXPECT_EQ(engine.Encode(&video, &audio, "/dev/full", &never), IEncodeEngine::kFailed);
    EXPECT_NE(engine.GetErrorText().find("/dev/full"), std::string::npos) << engine.GetErrorText();
    // The multiplexer holds a few seconds of packets before its first write.
    EXPECT_LT(never.calls, 150) << "the loop stops at the failure";
}

// The compressing thread fails while the frame loop converts the next
// picture. The hooks make that order certain instead of a matter of luck: the
// thread fails picture 0 only once the loop holds picture 1, and the loop
// hands picture 1 over only after the thread has stopped. The loop reports
// the failure, and no picture outlives the element.
TEST(EncodeFailure, CompressingFailsWhileTheNextPictureIsHandedOver) {
    using namespace std::chrono_literals;
    CTempDir dir;
    CTestVideoSrc video(720, 576, 10);
    const int before = CVidEnc::PicturesHeld();
    {
        const SMpgFormat format = MpgFormatFor(kPresetDvd, true, false, false, -1, 0, 0);
        CVidEnc encoder(&video, format.video, format.streamKind);
        ASSERT_TRUE(encoder.Init()) << encoder.GetError();
        CMuxer muxer(format.mux, dir / "out.mpg");
        ASSERT_TRUE(muxer.Open());
        ASSERT_TRUE(encoder.Connect(muxer));
        ASSERT_TRUE(muxer.Start());
        std::mutex lock;
        std::condition_variable changed;
        bool holdsSecond = false;
        encoder.SetCompressHook([&](std::int64_t n) -> std::string {
            if (n != 0)
                return {};
            std::unique_lock<std::mutex> wait(lock);
            changed.wait_for(wait, 10s, [&] { return holdsSecond; });
            return "Injected failure of picture 0";
        });
        encoder.SetHandOverHook([&](std::int64_t n) {
            if (n != 1)
                return;
            {
                std::lock_guard<std::mutex> hold(lock);
                holdsSecond = true;
            }
            changed.notify_all();
            const auto until = std::chrono::steady_clock::now() + 10s;
            while (!encoder.CompressingFailed() && std::chrono::steady_clock::now() < until)
                std::this_thread::sleep_for(1ms);
        });
        EXPECT_EQ(encoder.PushNext(), CVideoFilter::kPushed);
        EXPECT_EQ(encoder.PushNext(), CVideoFilter::kPushFailed);
        EXPECT_TRUE(encoder.CompressingFailed());
        EXPECT_NE(encoder.GetError().find("Injected"), std::string::npos) << encoder.GetError();
        encoder.CloseIfOpen(true);
        muxer.CloseIfOpen(true);
        encoder.Done();
        EXPECT_EQ(CVidEnc::PicturesHeld(), before) << "pictures left after Done";
    }
    EXPECT_EQ(CVidEnc::PicturesHeld(), before);
}

// A pre-encoded stream whose pictures the multiplexer refuses (it was never
// started): the element fails, and every picture it read is freed whichever
// one was refused (the sanitizer builds see a leak otherwise).
TEST(EncodeFailure, PreEncodedPicturesTheMultiplexerRefuses) {
    CTempDir dir;
    CTestVideoSrc video(720, 576, 12);
    CMpgEngine first;
    first.SetFormat(0, 1, 0);
    ASSERT_EQ(first.Encode(&video, nullptr, dir / "v.mpg", nullptr), IEncodeEngine::kDone);
    ASSERT_TRUE(ExtractVideo(dir / "v.mpg", dir / "v.m2v"));
    CVidMpv reader(dir / "v.m2v");
    ASSERT_TRUE(reader.Init()) << reader.GetError();
    CMuxer muxer(SMuxSettings{"dvd"}, dir / "out.mpg");
    ASSERT_TRUE(muxer.Open());
    ASSERT_TRUE(reader.Connect(muxer));
    int pushed = 0, result = CVideoFilter::kPushed;
    while (pushed < 100 && (result = reader.PushNext()) == CVideoFilter::kPushed)
        ++pushed;
    EXPECT_EQ(result, CVideoFilter::kPushFailed);
    EXPECT_LT(pushed, 12);
    reader.CloseIfOpen(true);
    muxer.CloseIfOpen(true);
}

// Nothing to encode, or a frame the source cannot make: failures, not
// empty or truncated files reported as done.
TEST(EncodeFailure, EmptyOrBrokenVideo) {
    CTempDir dir;
    for (const SOutput& out : kOutputs) {
        if (!out.withVideo)
            continue;
        SCOPED_TRACE(out.name);
        CTestVideoSrc none(64, 48, 0);
        auto engine = out.make();
        const std::string path = dir / "empty.out";
        EXPECT_EQ(engine->Encode(&none, nullptr, path, nullptr), IEncodeEngine::kFailed);
        EXPECT_NE(engine->GetErrorText().find("no frames"), std::string::npos)
            << engine->GetErrorText();
        EXPECT_FALSE(std::filesystem::exists(path));

        CTestVideoSrc broken(64, 48, 10, 25.0, 4);
        EXPECT_EQ(engine->Encode(&broken, nullptr, dir / "broken.out", nullptr), IEncodeEngine::kFailed);
        EXPECT_NE(engine->GetErrorText().find("Frame 4"), std::string::npos)
            << engine->GetErrorText();
        // What was encoded before the failure stays readable.
        SFileInfo file = Inspect(dir / "broken.out");
        EXPECT_TRUE(file.opened);
    }
}

TEST(EncodeFailure, UnknownCodecsAndFormats) {
    CTempDir dir;
    CTestVideoSrc video(64, 48, 5);
    CToneSrc audio(0.2);
    CAviEngine avi;
    EXPECT_FALSE(avi.SetVideoCodec("nosuchcodec"));
    EXPECT_EQ(avi.Encode(&video, &audio, dir / "x.avi", nullptr), IEncodeEngine::kFailed);
    EXPECT_NE(avi.GetErrorText().find("nosuchcodec"), std::string::npos) << avi.GetErrorText();
    EXPECT_FALSE(std::filesystem::exists(dir / "x.avi"));
    ASSERT_TRUE(avi.SetVideoCodec("mpeg4"));
    EXPECT_FALSE(avi.SetAudioCodec("opus-nonexistent"));
    EXPECT_EQ(avi.Encode(&video, &audio, dir / "x.avi", nullptr), IEncodeEngine::kFailed);
    EXPECT_NE(avi.GetErrorText().find("opus-nonexistent"), std::string::npos);
    // Without sound the sound codec does not matter.
    EXPECT_EQ(avi.Encode(&video, nullptr, dir / "x.avi", nullptr), IEncodeEngine::kDone)
        << avi.GetErrorText();

    CMpgEngine mpg;
    mpg.SetFormat(7, 1, 0);
    EXPECT_EQ(mpg.Encode(&video, &audio, dir / "x.mpg", nullptr), IEncodeEngine::kFailed);
    EXPECT_FALSE(mpg.GetErrorText().empty());
    mpg.SetFormat(3, 1, 0); // custom size never set
    EXPECT_EQ(mpg.Encode(&video, &audio, dir / "x.mpg", nullptr), IEncodeEngine::kFailed);
    EXPECT_NE(mpg.GetErrorText().find("size"), std::string::npos);
}
