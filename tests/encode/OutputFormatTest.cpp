#include "encode/AviEngine.h"
#include "encode/FormatTable.h"
#include "encode/MpgEngine.h"
#include "encode/MpgPreset.h"
#include "encode/OutputFormat.h"
#include "encode/VideoSrc.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Remembers the format it was asked for; refuses when told to.
class CFormatProbe final : public IVideoSrc {
public:
    int SetOutputFormat(const int size[2], double pixelAspect, double frameRate, int,
                        const SEffectRect*) override {
        m_width = size[0];
        m_height = size[1];
        m_aspect = pixelAspect;
        m_rate = frameRate;
        return m_refuse ? 0 : 1;
    }
    double GetFrameRate() override { return m_rate; }
    void GetFrameSize(int* w, int* h) override { *w = m_width, *h = m_height; }
    unsigned GetFrameCount() override { return 0; }
    const std::uint8_t* GetFrame(int, int*) override { return nullptr; }

    int m_width = 0, m_height = 0;
    double m_aspect = 0, m_rate = 0;
    bool m_refuse = false;
};

} // namespace

// The table's rows keep the positions a template's remembered choices store
// and the numbers the MPEG engines take, and every row can be made.
TEST(OutputFormat, TheTableKeepsStoredNumbersAndEveryRowIsUsable) {
    const char* const pages[] = {"dvd", "svcd", "vcd", "custom", "720p", "1080p", "4k",
                                 "vertical", "square"};
    ASSERT_EQ(CFormatTable::PageCount(), 9);
    for (int page = 0; page < 9; ++page)
        EXPECT_STREQ(CFormatTable::AtPage(page)->name, pages[page]);
    // MPEG format number -> encoder preset -> back.
    const int presets[] = {kPresetDvd, kPresetSvcd, kPresetVcd, kPresetMpeg2, kPresetMpeg1};
    for (int format = 0; format < 5; ++format) {
        EXPECT_EQ(MpgPresetOf(format), presets[format]);
        EXPECT_EQ(CFormatTable::OfMpegPreset(presets[format])->mpegFormat, format);
    }
    EXPECT_EQ(MpgPresetOf(5), -1);
    EXPECT_EQ(CFormatTable::AtPage(9), nullptr);
    EXPECT_EQ(CFormatTable::Named("bluray"), nullptr);

    for (const SFormatRow& row : CFormatTable::Rows()) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(CFormatTable::Named(row.name), &row) << "names are unique";
        EXPECT_GT(row.rates[0], 0);
        COutputFormat format(true, false);
        if (row.page >= 0) {
            format.SetDisc(row.page);
            EXPECT_EQ(&format.Row(), &row);
        }
        if (row.kind == SFormatRow::kScreen) {
            EXPECT_TRUE(COutputFormat::ScreenSizeAllowed(row.width, row.palHeight));
            EXPECT_EQ(format.ScreenWidth(), row.width);
            EXPECT_EQ(format.ScreenHeight(), row.palHeight);
            EXPECT_EQ(format.SampleRate("x.mp4"), row.audioRate);
            // An MPEG stream cannot hold it: a reason, not an engine.
            CFormatProbe video;
            std::string why;
            EXPECT_EQ(format.CreateEngine(&video, nullptr, "x.mpg", &why), nullptr);
            EXPECT_NE(why.find("MP4"), std::string::npos) << why;
        } else if (row.kind == SFormatRow::kDisc) {
            EXPECT_TRUE(COutputFormat::IsDiscSize(row.width, row.palHeight));
            EXPECT_TRUE(COutputFormat::IsDiscSize(row.width, row.ntscHeight));
            const SMpgFormat mpg = MpgFormatFor(row.mpegPreset, false, false, false, -1, 0, 0);
            EXPECT_EQ(mpg.video.width, row.width);
            EXPECT_EQ(mpg.video.height, row.ntscHeight);
            EXPECT_EQ(mpg.mux.format, row.mux.format);
        }
    }
    EXPECT_FALSE(COutputFormat::IsDiscSize(1280, 720));
}

TEST(OutputFormat, DiscsStandardsAndCustomSizes) {
    COutputFormat format(true, false);
    format.SetStandard(true);
    format.SetDisc(COutputFormat::kVcd);
    EXPECT_EQ(format.Width(), 352);
    EXPECT_EQ(format.Height(), 288);
    EXPECT_FALSE(format.SizeEditable());
    format.SetStandard(false);
    EXPECT_EQ(format.Height(), 240);
    EXPECT_DOUBLE_EQ(format.FrameRate(), 29.97);

    format.SetDisc(COutputFormat::kCustom);
    EXPECT_TRUE(format.SizeEditable());
    format.SetCustomSize(1000, 703);
    EXPECT_EQ(format.Width(), 1000);
    EXPECT_EQ(format.Height(), 700);
    format.SetCustomSize(150, 1500);
    EXPECT_EQ(format.Width(), 200);
    EXPECT_EQ(format.Height(), 1440);
    format.SetCustomSize(1925, 200);
    EXPECT_EQ(format.Width(), 1920);

    // Pixel aspects: display aspect x height / width.
    format.SetDisc(COutputFormat::kDvd);
    format.SetWide(true);
    EXPECT_NEAR(format.PixelAspect(), 1.1852, 1e-4); // DVD NTSC 16:9
    format.SetWide(false);
    EXPECT_NEAR(format.PixelAspect(), 0.8889, 1e-4);
    format.SetStandard(true);
    EXPECT_NEAR(format.PixelAspect(), 1.0667, 1e-4);
    format.SetDisc(COutputFormat::kVcd);
    EXPECT_NEAR(format.PixelAspect(), 1.0909, 1e-4);

    // Custom sizes have square pixels and hold the album at its own aspect,
    // centred, with bars of even size; a frame of the album's shape is filled.
    format.SetDisc(COutputFormat::kCustom);
    format.SetCustomSize(640, 360);
    EXPECT_DOUBLE_EQ(format.PixelAspect(), 1.0);
    COutputFormat::SPlacement p = format.Placement();
    EXPECT_EQ(std::vector<int>({p.left, p.top, p.right, p.bottom}),
              std::vector<int>({80, 0, 560, 360}));
    format.SetWide(true);
    p = format.Placement();
    EXPECT_EQ(std::vector<int>({p.left, p.top, p.right, p.bottom}),
              std::vector<int>({0, 0, 640, 360}));
    p = COutputFormat::Place(640, 480, true, true);
    EXPECT_EQ(std::vector<int>({p.left, p.top, p.right, p.bottom}),
              std::vector<int>({0, 60, 640, 420}));
    p = COutputFormat::Place(203, 301, false, true);
    EXPECT_EQ(p.left, 0);
    EXPECT_EQ(p.right - p.left, 203) << "an odd width the frame has is kept";
    EXPECT_EQ((p.bottom - p.top) % 2, 0);
    EXPECT_EQ(p.top % 2, 0);
}

TEST(OutputFormat, TheExtensionChoosesTheEngineAndTheSourceTheFormat) {
    COutputFormat format(true, false);
    format.SetStandard(true);
    CFormatProbe video;
    std::string why;
    EXPECT_TRUE(COutputFormat::IsAviPath("/tmp/x.AVI"));
    EXPECT_FALSE(COutputFormat::IsAviPath("/tmp/x.mpeg"));
    EXPECT_FALSE(COutputFormat::IsAviPath("/tmp/avi"));
    EXPECT_FALSE(COutputFormat::IsAviPath("/tmp.avi/x"));

    auto engine = format.CreateEngine(&video, nullptr, "/tmp/out.AVI", &why);
    ASSERT_NE(engine, nullptr) << why;
    EXPECT_NE(dynamic_cast<CAviEngine*>(engine.get()), nullptr);
    engine = format.CreateEngine(&video, nullptr, "/tmp/out", &why);
    ASSERT_NE(engine, nullptr);
    auto* mpg = dynamic_cast<CMpgEngine*>(engine.get());
    ASSERT_NE(mpg, nullptr);
    // The format page's level, and threads from the machine, unless chosen.
    EXPECT_EQ(mpg->GetQuality(), 31);
    EXPECT_EQ(mpg->GetThreads(), 0);
    COutputFormat chosen(true, false);
    chosen.SetQuality(kFastQuality);
    chosen.SetThreads(3);
    engine = chosen.CreateEngine(&video, nullptr, "/tmp/out.mpg", &why);
    mpg = dynamic_cast<CMpgEngine*>(engine.get());
    ASSERT_NE(mpg, nullptr);
    EXPECT_EQ(mpg->GetQuality(), kFastQuality);
    EXPECT_EQ(mpg->GetThreads(), 3);
    EXPECT_EQ(video.m_width, 720);
    EXPECT_EQ(video.m_height, 576);
    EXPECT_DOUBLE_EQ(video.m_rate, 25.0);
    EXPECT_EQ(format.SampleRate("/tmp/out.mpg"), 48000);
    EXPECT_EQ(format.SampleRate("/tmp/out.avi"), 44100);

    video.m_refuse = true;
    EXPECT_EQ(format.CreateEngine(&video, nullptr, "/tmp/out.mpg", &why), nullptr);
    video.m_refuse = false;
    format.SetAviCodecs("nosuchcodec", "");
    EXPECT_EQ(format.CreateEngine(&video, nullptr, "/tmp/out.avi", &why), nullptr);
    EXPECT_NE(why.find("nosuchcodec"), std::string::npos);
}
