// The album preview on Qt's offscreen platform, with SDL's dummy sound driver
// (the program's QApplication comes from QtTestApp.cpp).
#include "app/CtrlPreviewAlbum.h"
#include "project/ProjTmpl.h"
#include "render/AlbumDirector.h"
#include "tests/render/AlbumTestKit.h"
#include "tests/support/DecoderProbeScope.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <memory>

using namespace AlbumTestKit;

namespace {

// The colour the window shows at a point, as B, G, R.
std::array<int, 3> Shown(QWidget& widget, int x, int y) {
    const QRgb rgb = widget.grab().toImage().pixel(x, y);
    return {qBlue(rgb), qGreen(rgb), qRed(rgb)};
}

bool Near(std::array<int, 3> shown, BGRA expected) {
    for (int i = 0; i < 3; ++i)
        if (std::abs(shown[std::size_t(i)] - expected[std::size_t(i)]) > 12)
            return false;
    return true;
}

constexpr BGRA kRed{0, 0, 200, 255};
constexpr BGRA kGreen{0, 180, 0, 255};
constexpr BGRA kBlack{0, 0, 0, 255};

// A preview inside a shown parent, so any client size is possible.
struct SPreviewRig {
    QWidget host;
    CCtrlPreviewAlbum* preview;

    explicit SPreviewRig(int width = 80, int height = 60) {
        host.resize(400, 300);
        preview = new CCtrlPreviewAlbum(&host);
        preview->resize(width, height);
        host.show();
    }
};

// One slide of the picture: a 1 s opening fade, display, and a 1 s closing
// fade. Frames at 20 per second: [0, 20) fade in, [20, 20 + 20 x display)
// the picture, then the closing fade.
void OneSlideAlbum(CAlbum& album, const std::string& picture, double display) {
    AddSlide(album, {picture}, display, 1);
    album.m_transitionLength = 1;
}

} // namespace

TEST(CtrlPreviewAlbum, CountsAudioClockFramesAndClampsSeeks) {
    CTempDir dir;
    CAlbum album;
    OneSlideAlbum(album, FlatPicture(dir, "red.png", 80, 60, {0, 0, 200}), 6);
    SPreviewRig rig;
    rig.preview->SetAlbum(&album, nullptr);
    EXPECT_DOUBLE_EQ(rig.preview->GetDuration(), 8.0);
    // 8 s at 20 frames per second; the redraw clock keeps its own 100.
    EXPECT_EQ(rig.preview->GetFrameCount(), 160);
    EXPECT_EQ(rig.preview->Director()->GetFrameCount(), 160);
    EXPECT_DOUBLE_EQ(rig.preview->AudioClock().GetFrameRate(), 20.0);
    EXPECT_EQ(rig.preview->RedrawClock().GetFrameCount(), 100);
    EXPECT_EQ(rig.preview->GetCurrentFrame(), 0);
    EXPECT_FALSE(rig.preview->IsPlaying());

    rig.preview->Seek(80);
    EXPECT_EQ(rig.preview->GetCurrentFrame(), 80);
    EXPECT_TRUE(Near(Shown(*rig.preview, 40, 30), kRed));
    rig.preview->Seek(-3);
    EXPECT_EQ(rig.preview->GetCurrentFrame(), 0);
    // Frame 0 opens from black.
    EXPECT_TRUE(Near(Shown(*rig.preview, 40, 30), kBlack));
    rig.preview->Seek(160);
    EXPECT_EQ(rig.preview->GetCurrentFrame(), 159);
    rig.preview->grab();
    EXPECT_EQ(rig.preview->Stats().lastShown, 159);

    // Another album of another length starts again at frame 0.
    CAlbum shorter;
    OneSlideAlbum(shorter, FlatPicture(dir, "green.png", 80, 60, {0, 180, 0}), 1);
    rig.preview->SetAlbum(&shorter, nullptr);
    EXPECT_EQ(rig.preview->GetFrameCount(), 60);
    EXPECT_EQ(rig.preview->GetCurrentFrame(), 0);
    rig.preview->Seek(30);
    EXPECT_TRUE(Near(Shown(*rig.preview, 40, 30), kGreen));
}

TEST(CtrlPreviewAlbum, RendersAtLeastTenByTenAndRebuildsAfterAResize) {
    CTempDir dir;
    CAlbum album;
    OneSlideAlbum(album, FlatPicture(dir, "red.png", 80, 60, {0, 0, 200}), 2);
    SPreviewRig rig(5, 5);
    rig.preview->SetAlbum(&album, nullptr);
    EXPECT_EQ(rig.preview->GetRenderSize(), QSize(10, 10));
    EXPECT_EQ(rig.preview->Director()->GetSize().width, 10);
    EXPECT_EQ(rig.preview->Director()->GetSize().height, 10);

    // A new size is taken 200 ms after the last resize.
    rig.preview->Seek(40);
    rig.preview->resize(120, 90);
    QTest::qWait(50);
    EXPECT_EQ(rig.preview->GetRenderSize(), QSize(10, 10));
    QTRY_COMPARE_WITH_TIMEOUT(rig.preview->GetRenderSize(), QSize(120, 90), 2000);
    EXPECT_EQ(rig.preview->GetCurrentFrame(), 40);
    EXPECT_TRUE(Near(Shown(*rig.preview, 60, 45), kRed));

    // A director of the same size is kept by SetAlbum.
    const CAlbumDirector* director = rig.preview->Director();
    rig.preview->SetAlbum(&album, nullptr);
    EXPECT_EQ(rig.preview->Director(), director);
}

TEST(CtrlPreviewAlbum, PlaysToTheEndAndStopsThere) {
    CTempDir dir;
    CAlbum album;
    OneSlideAlbum(album, FlatPicture(dir, "red.png", 80, 60, {0, 0, 200}), 0.5);
    SPreviewRig rig;
    QSignalSpy positions(rig.preview, &CCtrlPreview::PositionChanged);
    QSignalSpy ended(rig.preview, &CCtrlPreview::Ended);
    rig.preview->SetAlbum(&album, nullptr);
    ASSERT_EQ(rig.preview->GetFrameCount(), 50);

    rig.preview->Play();
    EXPECT_TRUE(rig.preview->IsPlaying());
    ASSERT_TRUE(ended.wait(10000));
    EXPECT_EQ(ended.count(), 1);
    EXPECT_EQ(ended.at(0).at(0).toInt(), 1);
    EXPECT_FALSE(rig.preview->IsPlaying());
    EXPECT_EQ(rig.preview->GetCurrentFrame(), 49);
    ASSERT_FALSE(positions.isEmpty());
    EXPECT_EQ(positions.last().at(1).toInt(), 50);
    // The redraw clock painted pictures while it played.
    EXPECT_GT(rig.preview->Stats().framesShown, 3);
    // Stopped: no more positions come.
    const auto count = positions.count();
    QTest::qWait(200);
    EXPECT_EQ(positions.count(), count);

    // A pause the owner asked to hear about passes its value on, only when
    // playing.
    rig.preview->Seek(0);
    rig.preview->Play();
    rig.preview->Pause(true, 7);
    ASSERT_EQ(ended.count(), 2);
    EXPECT_EQ(ended.at(1).at(0).toInt(), 0);
    EXPECT_EQ(ended.at(1).at(1).toInt(), 7);
    rig.preview->Pause(true, 8);
    EXPECT_EQ(ended.count(), 2);
}

TEST(CtrlPreviewAlbum, ReplacingAPictureRedraws) {
    CTempDir dir;
    CAlbum album;
    OneSlideAlbum(album, FlatPicture(dir, "red.png", 80, 60, {0, 0, 200}), 2);
    AddSlide(album, {FlatPicture(dir, "red2.png", 80, 60, {0, 0, 200})}, 2, 1);
    const std::string green = FlatPicture(dir, "green.png", 80, 60, {0, 180, 0});
    SPreviewRig rig;
    rig.preview->SetAlbum(&album, nullptr);
    rig.preview->Seek(30);
    ASSERT_TRUE(Near(Shown(*rig.preview, 40, 30), kRed));
    const int redraws = rig.preview->Stats().redraws;

    EXPECT_EQ(rig.preview->ReplacePicture(0, 0, green), 1);
    EXPECT_GT(rig.preview->Stats().redraws, redraws);
    EXPECT_TRUE(Near(Shown(*rig.preview, 40, 30), kGreen));
    EXPECT_EQ(rig.preview->SetBackgroundPicture(1, green), 1);

    // Slides and items that do not exist change nothing.
    const int before = rig.preview->Stats().redraws;
    EXPECT_EQ(rig.preview->ReplacePicture(2, 0, green), 0);
    EXPECT_EQ(rig.preview->ReplacePicture(0, 1, green), 0);
    EXPECT_EQ(rig.preview->ReplacePicture(-1, 0, green), 0);
    EXPECT_EQ(rig.preview->SetBackgroundPicture(5, green), 0);
    EXPECT_EQ(rig.preview->Stats().redraws, before);

    CCtrlPreviewAlbum empty;
    EXPECT_EQ(empty.ReplacePicture(0, 0, green), 0);
    EXPECT_EQ(empty.GetCurrentFrame(), -1);
    empty.Seek(10); // no album: nothing to move
    EXPECT_EQ(empty.GetCurrentFrame(), -1);
}

// Pictures that cannot be shown leave their slide black (transparent black
// drawn over the window's black) and everything else working.
TEST(CtrlPreviewAlbum, PicturesThatCannotBeShownLeaveTheSlideBlack) {
    CTempDir dir;
    CAlbum album;
    OneSlideAlbum(album, dir.WriteFile("broken.jpg", std::string("\xFF\xD8\xFF\xE0") + " not a picture"), 2);
    AddSlide(album, {FlatPicture(dir, "red.png", 80, 60, {0, 0, 200})}, 2, 1);
    SPreviewRig rig;
    rig.preview->SetAlbum(&album, nullptr);
    EXPECT_EQ(rig.preview->GetFrameCount(), 140);
    rig.preview->Seek(30);
    EXPECT_TRUE(Near(Shown(*rig.preview, 40, 30), kBlack));
    rig.preview->Seek(100);
    EXPECT_TRUE(Near(Shown(*rig.preview, 40, 30), kRed));

    // The user chose a picture that is gone by the time it is loaded.
    const std::string chosen = FlatPicture(dir, "chosen.png", 80, 60, {0, 180, 0});
    std::filesystem::remove(chosen);
    EXPECT_EQ(rig.preview->ReplacePicture(1, 0, chosen), 1);
    EXPECT_TRUE(Near(Shown(*rig.preview, 40, 30), kBlack));

    // One that goes after it was shown: a rebuild reloads it from disk.
    const std::string later = FlatPicture(dir, "later.png", 80, 60, {0, 180, 0});
    EXPECT_EQ(rig.preview->ReplacePicture(1, 0, later), 1);
    EXPECT_TRUE(Near(Shown(*rig.preview, 40, 30), kGreen));
    std::filesystem::remove(later);
    rig.preview->resize(100, 75);
    QTRY_COMPARE_WITH_TIMEOUT(rig.preview->GetRenderSize(), QSize(100, 75), 2000);
    EXPECT_TRUE(Near(Shown(*rig.preview, 50, 37), kBlack));

    // And it still plays to its end.
    QSignalSpy ended(rig.preview, &CCtrlPreview::Ended);
    rig.preview->Seek(110);
    rig.preview->Play();
    EXPECT_TRUE(ended.wait(10000));
}

TEST(CtrlPreviewAlbum, GoesAwayCleanlyWhilePlaying) {
    CTempDir dir;
    CAlbum album;
    OneSlideAlbum(album, FlatPicture(dir, "red.png", 320, 240, {0, 0, 200}), 4);
    AddSlide(album, {FlatPicture(dir, "green.png", 320, 240, {0, 180, 0})}, 4, 1);
    for (int round = 0; round < 3; ++round) {
        auto host = std::make_unique<QWidget>();
        host->resize(200, 150);
        auto* preview = new CCtrlPreviewAlbum(host.get());
        preview->resize(200, 150);
        host->show();
        preview->SetAlbum(&album, nullptr);
        preview->Seek(round * 40);
        preview->Play();
        QTest::qWait(150 + 100 * round);
        const auto start = std::chrono::steady_clock::now();
        host.reset();
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
        // Whatever the clocks posted before it went is dropped.
        QTest::qWait(100);
    }
}

TEST(CtrlPreviewAlbum, ShowsTheDemoTemplateMidAlbum) {
    CDecoderProbeScope probe;
    CProjTmpl tmpl;
    ASSERT_TRUE(tmpl.Load(KV_DEMO)) << tmpl.GetError();
    CAlbum album;
    tmpl.ApplyTo(album, true);
    SPreviewRig rig(360, 270);
    rig.preview->SetAlbum(&album, &tmpl);
    ASSERT_GT(rig.preview->GetFrameCount(), 100);
    // Mid-album: the fourth slide, 18 s in, with its caption.
    rig.preview->Seek(18 * 20);
    const QImage shot = rig.preview->grab().toImage();
    ASSERT_EQ(shot.size(), QSize(360, 270));
    shot.save(QString::fromStdString(std::string(KV_SHOT_DIR) + "/preview-demo.png"));
    int lit = 0;
    for (int y = 0; y < shot.height(); y += 10)
        for (int x = 0; x < shot.width(); x += 10)
            lit += qGray(shot.pixel(x, y)) > 40;
    EXPECT_GT(lit, 36 * 27 / 2);

    // The sound track is built on the first Play and plays through the dummy device.
    rig.preview->Play();
    QTest::qWait(300);
    EXPECT_TRUE(rig.preview->HasSound());
    EXPECT_GT(rig.preview->GetCurrentFrame(), 18 * 20);
    // What the redraw clock painted while playing, as it came.
    rig.preview->grab().save(QString::fromStdString(std::string(KV_SHOT_DIR) + "/preview-demo-playing.png"));
    rig.preview->Pause();
}

// The sound device must not take the signals that end the program.
TEST(CtrlPreviewAlbum, LeavesTheProgramsSignalsAlone) {
    CCtrlPreviewAlbum preview;
    for (int signal : {SIGINT, SIGTERM}) {
        struct sigaction action {};
        ASSERT_EQ(sigaction(signal, nullptr, &action), 0);
        EXPECT_EQ(action.sa_handler, SIG_DFL) << "signal " << signal;
    }
}
