// The wizard driven through its widgets on Qt's offscreen platform, with a
// stand-in for the user at its dialogs and, for Finish, engines that end as
// told.
#include "app/CtrlPicList.h"
#include "app/CtrlPreviewAlbum.h"
#include "app/FolderTab.h"
#include "app/KelvclipApp.h"
#include "app/PicturesTab.h"
#include "app/RenderJob.h"
#include "app/SettingsTab.h"
#include "app/TemplatePage.h"
#include "app/Wizard.h"
#include "base/Folders.h"
#include "base/Settings.h"
#include "controls/IntEdit.h"
#include "controls/LinkLabel.h"
#include "controls/SeekSlider.h"
#include "encode/OutputFormat.h"
#include "encode/VideoSrc.h"
#include "project/ProjTmpl.h"
#include "tests/app/WizardFakes.h"
#include "media/FfVideo.h"
#include "tests/encode/EncodeTestKit.h"
#include "tests/support/DecoderProbeScope.h"
#include "tests/support/MediaMaker.h"
#include "tests/support/RunCommand.h"
#include "tests/support/TempDir.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace {

#if defined(__SANITIZE_THREAD__)
constexpr bool kScreenshots = false; // Qt paints on threads TSan cannot follow
// A whole render of the demo: under ThreadSanitizer a 720p MP4 of it takes
// some nine minutes, against seconds in a plain build.
constexpr int kWholeRenderMs = 1800000;
#else
constexpr bool kScreenshots = true;
constexpr int kWholeRenderMs = 300000;
#endif

void Screenshot(QWidget& widget, const char* name) {
    if (!kScreenshots)
        return;
    std::filesystem::create_directories(KV_SHOT_DIR);
    EXPECT_TRUE(widget.grab().save(QString(KV_SHOT_DIR "/") + name));
}

// Grabs the next message box the wizard shows (with real boxes), then
// presses the button given (closes it as Escape would when it has none).
void ScreenshotNextBox(CFakePrompts& prompts, const char* name,
                       QMessageBox::StandardButton press = QMessageBox::NoButton) {
    prompts.realMessages = true;
    QTimer::singleShot(300, [name, press] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        Screenshot(*modal, name);
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (box && box->button(press))
            box->button(press)->click();
        else
            modal->close();
    });
}

STestImage Flat(int width, int height, std::uint8_t b, std::uint8_t g, std::uint8_t r) {
    return STestImage(width, height, [=](int, int) { return std::array<std::uint8_t, 4>{b, g, r, 255}; });
}

// The wizard on a template, shown, with its thumbnails made.
struct SWizard {
    CProjTmpl tmpl;
    std::unique_ptr<CWizard> dialog;

    explicit SWizard(const std::string& package = KV_DEMO) {
        EXPECT_TRUE(tmpl.Load(package)) << tmpl.GetError();
        dialog = std::make_unique<CWizard>(QStringLiteral("Reelkit"));
        dialog->SetTemplate(&tmpl);
        dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        firstRenderSize = Preview().GetRenderSize();
        EXPECT_TRUE(QTest::qWaitFor([this] { return Settled(); }, 30000));
    }
    QSize firstRenderSize; // the preview's picture size when the window showed
    ~SWizard() { dialog.reset(); }

    CTemplatePage& Main() const { return *dialog->TemplatePage(); }
    CPicturesTab& Pictures() const { return *Main().PicturesTab(); }
    CCtrlPicList& List() const { return *Pictures().List(); }
    CCtrlPreviewAlbum& Preview() const { return *Main().Preview(); }
    bool Settled() const {
        for (int i = 0; i < List().count(); ++i)
            if (List().GetImageIndex(i) == CCtrlPicList::kImagePending)
                return false;
        return true;
    }
    void Select(std::initializer_list<int> rows) const {
        List().clearSelection();
        for (int row : rows)
            List().item(row)->setSelected(true);
    }
    // Finish with an engine made by the factory; waits until the dialog is
    // idle again or closed.
    void Finish(CRenderJob::EngineFactory factory) const {
        dialog->SetEngineFactory(std::move(factory));
        QTest::mouseClick(dialog->FinishButton(), Qt::LeftButton);
    }
    bool WaitIdle() const {
        return QTest::qWaitFor([this] { return !dialog->IsBusy(); }, 30000);
    }
    // The colour at a point of the preview (fractions of its size) after a seek.
    QColor PreviewColourAt(int frame, double fx = 0.5, double fy = 0.5) const {
        Preview().Seek(frame);
        Preview().WaitUntilDrawn();
        Preview().Redraw(true);
        QTest::qWait(20);
        const QImage shot = Preview().grab().toImage();
        return shot.pixelColor(int(shot.width() * fx), int(shot.height() * fy));
    }
};

CRenderJob::EngineFactory FactoryOf(int result, std::string error = {}, int holdAt = -1,
                                    CFakeEngine** made = nullptr) {
    return [=](IVideoSrc*, IAudioSrc*, const std::string&, std::string*) {
        auto engine = std::make_unique<CFakeEngine>(result, error, holdAt);
        if (made)
            *made = engine.get();
        return engine;
    };
}

// Packs dir/album.json into dir/name with the command line.
testing::AssertionResult Pack(const CTempDir& dir, const std::string& name) {
    std::string output;
    if (RunCommand(std::string(KV_CLI) + " pack " + (dir / "album.json") + " -o " + (dir / name) +
                       " 2>&1",
                   &output) == 0)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << output;
}

bool Near(const QColor& c, int r, int g, int b, int tolerance = 40) {
    return std::abs(c.red() - r) <= tolerance && std::abs(c.green() - g) <= tolerance &&
           std::abs(c.blue() - b) <= tolerance;
}

} // namespace

TEST(Wizard, SheetAndPageLayoutFollowTheAspectSetting) {
    CScopedSettings settings;
    CFakePrompts prompts;
    CUserPrompts::CScope scope(prompts);
    CTempDir mine;
    SetSettingString(Settings::UpathProj.name, mine.Path());
    for (int aspect : {0, 1}) {
        SetSettingInt(Settings::AspRatio.name, aspect);
        SWizard wizard;
        CWizard& dialog = *wizard.dialog;
        EXPECT_EQ(dialog.size(), QSize(744, 630));
        EXPECT_EQ(dialog.windowTitle(), "Reelkit");
        EXPECT_FALSE(dialog.BackButton()->isVisible());
        EXPECT_FALSE(dialog.NextButton()->isVisible());
        EXPECT_TRUE(dialog.FinishButton()->isEnabled());
        EXPECT_TRUE(dialog.CancelButton()->isEnabled());
        EXPECT_FALSE(dialog.ProgressBar()->isVisible());
        EXPECT_TRUE(dialog.WebLink()->isVisible());
        const int a = aspect == 1 ? 480 : 360;
        const QRect preview = wizard.Preview().geometry();
        EXPECT_EQ(preview.size(), QSize(a, 270));
        // The album is loaded once, at the preview's size.
        EXPECT_EQ(wizard.firstRenderSize, QSize(a, 270));
        EXPECT_EQ(preview.left(), (wizard.Main().width() - a) / 2);
        EXPECT_EQ(wizard.Main().Slider()->geometry(), QRect(preview.left() + 30, 289, a - 30, 20));
        EXPECT_EQ(wizard.Main().Tabs()->currentIndex(), 0);
        EXPECT_EQ(wizard.Main().Tabs()->tabText(1), "Settings");
        EXPECT_EQ(wizard.List().count(), 10);
        EXPECT_EQ(wizard.Main().FolderTab()->GetPath(), mine / "tmpl.avi");
        EXPECT_FALSE(wizard.Pictures().ReplaceButton()->isEnabled());
        wizard.Select({1});
        EXPECT_TRUE(wizard.Pictures().ReplaceButton()->isEnabled());
        // Nothing to undo for a picture that was not replaced.
        EXPECT_FALSE(wizard.Pictures().UnReplaceButton()->isEnabled());
        // Every control says what it does.
        const CSettingsTab& format = *wizard.Main().SettingsTab();
        for (const QWidget* control :
             {static_cast<const QWidget*>(wizard.Pictures().ReplaceButton()),
              static_cast<const QWidget*>(wizard.Pictures().UnReplaceButton()),
              static_cast<const QWidget*>(wizard.Main().Slider()),
              static_cast<const QWidget*>(wizard.Main().PlayButton()),
              static_cast<const QWidget*>(dialog.FinishButton()),
              static_cast<const QWidget*>(dialog.CancelButton()),
              static_cast<const QWidget*>(wizard.Main().FolderTab()->PathField()),
              static_cast<const QWidget*>(format.StandardList()),
              static_cast<const QWidget*>(format.DiscList()),
              static_cast<const QWidget*>(format.WidthField())})
            EXPECT_FALSE(control->toolTip().isEmpty()) << control->metaObject()->className();
        wizard.List().clearSelection();
        if (aspect == 0 && kScreenshots) {
            // The keyboard's place in the list shows as a dashed outline.
            wizard.List().setFocus();
            wizard.List().setCurrentRow(2, QItemSelectionModel::NoUpdate);
            QApplication::processEvents();
            Screenshot(wizard.List(), "wizard-list-focus.png");
        }
        wizard.PreviewColourAt(40);
        Screenshot(dialog, aspect == 1 ? "wizard-idle-16x9.png" : "wizard-idle-4x3.png");
    }
}

// The three tabs: where their controls stand in the tab, and a picture of
// the Settings and Folder tabs.
TEST(Wizard, TheTabsPlaceTheirControls) {
    CScopedSettings settings;
    CFakePrompts prompts;
    CUserPrompts::CScope scope(prompts);
    SWizard wizard;
    QTabWidget& tabs = *wizard.Main().Tabs();
    CPicturesTab& pictures = wizard.Pictures();
    const QSize p = pictures.size();
    EXPECT_EQ(pictures.List()->geometry(), QRect(8, 8, p.width() - 128, p.height() - 16));
    EXPECT_EQ(pictures.ReplaceButton()->geometry(), QRect(p.width() - 110, 8, 100, 26));
    EXPECT_EQ(pictures.UnReplaceButton()->geometry(), QRect(p.width() - 110, 40, 100, 26));

    tabs.setCurrentIndex(1);
    QApplication::processEvents();
    CSettingsTab& format = *wizard.Main().SettingsTab();
    ASSERT_EQ(tabs.widget(1), &format);
    // In the tab's coordinates: the standard from the left edge, the format
    // and the size fields from the middle; each label level with its list.
    auto at = [](const QWidget* w, const QWidget& tab) { return w->mapTo(&tab, QPoint(0, 0)); };
    auto middle = [](const QWidget* w, const QWidget& tab) {
        return w->mapTo(&tab, QPoint(0, 0)).y() + w->height() / 2;
    };
    const int w2 = format.width() / 2;
    EXPECT_EQ(at(format.StandardList(), format), QPoint(110, 20));
    EXPECT_EQ(format.StandardList()->width(), 120);
    EXPECT_EQ(at(format.DiscList(), format), QPoint(w2 + 120, 20));
    EXPECT_EQ(format.DiscList()->width(), std::max(120, format.DiscList()->sizeHint().width()));
    EXPECT_EQ(at(format.WidthField(), format), QPoint(w2 + 120, 50));
    EXPECT_EQ(format.WidthField()->size(), QSize(50, 22));
    EXPECT_EQ(at(format.HeightField(), format), QPoint(w2 + 190, 50));
    const auto labels = format.findChildren<QLabel*>();
    ASSERT_EQ(labels.size(), 3);
    for (const QLabel* label : labels) {
        const QWidget* beside = label->text() == "Video"        ? static_cast<QWidget*>(format.StandardList())
                                : label->text() == "Resolution" ? static_cast<QWidget*>(format.DiscList())
                                                                : static_cast<QWidget*>(format.HeightField());
        EXPECT_EQ(middle(label, format), middle(beside, format)) << label->text().toStdString();
        EXPECT_EQ(at(label, format).x() + label->width(), at(beside, format).x()) << label->text().toStdString();
    }
    // Nothing reaches past the tab.
    for (const QWidget* w : format.findChildren<QWidget*>())
        EXPECT_TRUE(format.rect().contains(QRect(at(w, format), w->size()))) << w->metaObject()->className();
    Screenshot(tabs, "wizard-settings-tab.png");

    tabs.setCurrentIndex(2);
    QApplication::processEvents();
    CFolderTab& folder = *wizard.Main().FolderTab();
    const int w = folder.width();
    auto* browse = folder.findChild<QPushButton*>();
    auto* label = folder.findChild<QLabel*>();
    ASSERT_TRUE(browse && label);
    EXPECT_EQ(label->geometry(), QRect(20, 20, w - 40, 20));
    EXPECT_EQ(folder.PathField()->geometry(), QRect(20, 44, w - 80, 24));
    EXPECT_EQ(browse->geometry(), QRect(w - 52, 43, 32, 26));
    Screenshot(tabs, "wizard-folder-tab.png");
}

TEST(Wizard, ReplaceGivesTheChosenFilesToTheSelectedItemsInOrder) {
    CScopedSettings settings;
    CTempDir dir;
    CFakePrompts prompts;
    CUserPrompts::CScope scope(prompts);
    const std::string red = dir.WriteFile("red.png", PngBytes(Flat(160, 120, 0, 0, 220), false));
    const std::string green = dir.WriteFile("green.png", PngBytes(Flat(160, 120, 0, 200, 0), false));
    SWizard wizard;
    const std::vector<std::string> own = wizard.tmpl.ListTemplatePictures(false);

    // Nothing selected: no dialog.
    wizard.List().clearSelection();
    wizard.Pictures().Replace();
    EXPECT_EQ(prompts.openCalls, 0);

    // Three selected, two chosen: the first two selected take them.
    prompts.files = {QString::fromStdString(red), QString::fromStdString(green)};
    wizard.Select({5, 1, 3});
    QTest::mouseClick(wizard.Pictures().ReplaceButton(), Qt::LeftButton);
    EXPECT_EQ(prompts.openCalls, 1);
    EXPECT_TRUE(prompts.openFilter.startsWith("Pictures (")) << prompts.openFilter.toStdString();
    EXPECT_TRUE(prompts.openFilter.contains("*.jpg *.JPG"));
    EXPECT_EQ(wizard.List().GetPicture(1), red);
    EXPECT_EQ(wizard.List().GetPicture(3), green);
    EXPECT_EQ(wizard.List().GetPicture(5), own[5]);
    EXPECT_EQ(wizard.tmpl.GetReplacement(own[1]), red);
    EXPECT_EQ(wizard.tmpl.GetReplacement(own[3]), green);
    EXPECT_EQ(wizard.tmpl.GetReplacement(own[5]), "");
    // The folder of the last file chosen is where the next dialog starts.
    std::string folder;
    GetUserFolder(kFolderPictures, folder, true);
    EXPECT_EQ(folder, dir.Path());
    prompts.files.clear();
    wizard.Pictures().Replace();
    EXPECT_EQ(prompts.openFolder.toStdString(), dir.Path());

    // The template's own file for a position is no replacement.
    prompts.files = {QString::fromStdString(own[1])};
    wizard.Select({1});
    wizard.Pictures().Replace();
    EXPECT_EQ(wizard.tmpl.GetReplacement(own[1]), "");
    // Un-Replace brings the template's pictures back.
    wizard.Select({3, 5});
    QTest::mouseClick(wizard.Pictures().UnReplaceButton(), Qt::LeftButton);
    EXPECT_EQ(wizard.List().GetPicture(3), own[3]);
    EXPECT_EQ(wizard.tmpl.GetReplacement(own[3]), "");
    EXPECT_TRUE(wizard.tmpl.ListTemplatePictures(true) == own);

    // The Pictures tab with a replacement's thumbnail.
    wizard.Select({0});
    prompts.files = {QString::fromStdString(green)};
    wizard.Pictures().Replace();
    ASSERT_TRUE(QTest::qWaitFor([&] { return wizard.Settled(); }, 30000));
    EXPECT_EQ(wizard.List().GetImageIndex(0), CCtrlPicList::kImageThumb);
    // Above the captions of the first slide.
    EXPECT_TRUE(Near(wizard.PreviewColourAt(40, 0.5, 0.15), 0, 200, 0));
    Screenshot(*wizard.dialog, "wizard-replaced.png");
}

// A picture on two slides and as a third slide's background: one replacement
// shows on all three.
TEST(Wizard, OneReplacementUpdatesEverySlideThatShowsThePicture) {
    CScopedSettings settings;
    CTempDir dir;
    CFakePrompts prompts;
    CUserPrompts::CScope scope(prompts);
    dir.WriteFile("red.png", PngBytes(Flat(160, 120, 0, 0, 220), false));
    dir.WriteFile("blue.png", PngBytes(Flat(30, 40, 220, 0, 0), false));
    const std::string green = dir.WriteFile("green.png", PngBytes(Flat(160, 120, 0, 200, 0), false));
    dir.WriteFile("album.json", R"({"format": "kelvclip-album", "version": 1, "slides": [
        {"displayTime": 2, "transition": {"name": "Fade Plugin", "length": 0}, "items": [{"file": "red.png"}]},
        {"displayTime": 2, "transition": {"name": "Fade Plugin", "length": 0},
         "background": {"mode": "stretch", "picture": "red.png"}, "items": [{"file": "blue.png"}]},
        {"displayTime": 2, "transition": {"name": "Fade Plugin", "length": 0}, "items": [{"file": "red.png"}]}]})");
    ASSERT_TRUE(Pack(dir, "two.vez"));
    SWizard wizard(dir / "two.vez");
    // Slides of 2 s at 20 frames a second; the middles of the three.
    EXPECT_TRUE(Near(wizard.PreviewColourAt(20), 220, 0, 0));
    prompts.files = {QString::fromStdString(green)};
    wizard.Select({0});
    wizard.Pictures().Replace();
    EXPECT_TRUE(Near(wizard.PreviewColourAt(20), 0, 200, 0));
    EXPECT_TRUE(Near(wizard.PreviewColourAt(100), 0, 200, 0));
    // The middle slide's small blue picture sits on the new background.
    const QImage middle = [&] {
        wizard.PreviewColourAt(60);
        return wizard.Preview().grab().toImage();
    }();
    EXPECT_TRUE(Near(middle.pixelColor(middle.width() / 2, middle.height() / 2), 0, 0, 220));
    EXPECT_TRUE(Near(middle.pixelColor(4, 4), 0, 200, 0));
}

TEST(Wizard, PhonePhotosReplaceAPictureUprightWhateverTheirFormat) {
    CScopedSettings settings;
    CTempDir dir;
    CFakePrompts prompts;
    CUserPrompts::CScope scope(prompts);
    dir.WriteFile("red.png", PngBytes(Flat(160, 120, 0, 0, 220), false));
    dir.WriteFile("album.json", R"({"format": "kelvclip-album", "version": 1, "slides": [
        {"displayTime": 2, "transition": {"name": "Fade Plugin", "length": 0}, "items": [{"file": "red.png"}]}]})");
    ASSERT_TRUE(Pack(dir, "one.vez"));
    // Upright: green above, blue below. Stored lying on its side, as a phone
    // writes it, with the turn that shows it upright (EXIF orientation 6 for
    // WebP, the container's own for HEIC).
    const auto upright = [](int x, int y) {
        (void)x;
        return y < 60 ? std::array<std::uint8_t, 4>{0, 200, 0, 255}
                      : std::array<std::uint8_t, 4>{220, 0, 0, 255};
    };
    const STestImage stored(120, 160, [&](int sx, int sy) { return upright(159 - sy, sx); });
    const std::string webp = dir.WriteFile("phone.webp", WebpBytes(stored, {.orientation = 6}));
    const std::string heic = dir.WriteFile("phone.HEIC", HeifBytes(stored, "heic", {.orientation = 6}));
    SWizard wizard(dir / "one.vez");
    for (const std::string& photo : {webp, heic}) {
        SCOPED_TRACE(photo);
        prompts.files = {QString::fromStdString(photo)};
        wizard.Select({0});
        wizard.Pictures().Replace();
        EXPECT_TRUE(Near(wizard.PreviewColourAt(20, 0.5, 0.2), 0, 200, 0));
        EXPECT_TRUE(Near(wizard.PreviewColourAt(20, 0.5, 0.8), 0, 0, 220));
        EXPECT_EQ(wizard.tmpl.ListTemplatePictures(true), std::vector<std::string>{photo});
    }
}

TEST(Wizard, FinishShowsProgressAndEndsDoneCancelledOrFailed) {
    CScopedSettings settings;
    CDecoderProbeScope decoders;
    CTempDir dir;
    CFakePrompts prompts;
    CUserPrompts::CScope scope(prompts);
    SWizard wizard;
    CWizard& dialog = *wizard.dialog;
    const std::string path = dir / "out.mpg";
    wizard.Main().FolderTab()->SetPath(path);

    // An empty path: a warning, and nothing starts.
    wizard.Main().FolderTab()->SetPath("");
    bool made = false;
    wizard.Finish([&](IVideoSrc*, IAudioSrc*, const std::string&, std::string*) {
        made = true;
        return std::unique_ptr<IEncodeEngine>();
    });
    EXPECT_FALSE(made);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].icon, QMessageBox::Warning);
    EXPECT_FALSE(dialog.IsBusy());
    wizard.Main().FolderTab()->SetPath(path);

    // Failed with a reason: the box names it and the file; the wizard is idle
    // again with the replacement kept.
    const std::string mine = dir.WriteFile("mine.png", PngBytes(Flat(64, 48, 10, 20, 30), false));
    wizard.Pictures().List()->SetPicture(mine, 2);
    wizard.Pictures().Synchronise();
    prompts.messages.clear();
    wizard.Finish(FactoryOf(IEncodeEngine::kFailed, "No space left on device"));
    EXPECT_TRUE(dialog.IsBusy());
    EXPECT_FALSE(dialog.FinishButton()->isEnabled());
    EXPECT_FALSE(wizard.Main().Tabs()->isEnabled());
    EXPECT_FALSE(dialog.WebLink()->isVisible());
    ASSERT_TRUE(wizard.WaitIdle());
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].icon, QMessageBox::Critical);
    EXPECT_TRUE(prompts.messages[0].text.contains("No space left on device"));
    EXPECT_TRUE(prompts.messages[0].text.contains(QString::fromStdString(path)));
    EXPECT_TRUE(dialog.FinishButton()->isEnabled());
    EXPECT_TRUE(wizard.Main().Tabs()->isEnabled());
    EXPECT_FALSE(dialog.ProgressBar()->isVisible());
    EXPECT_EQ(wizard.tmpl.GetReplacement(wizard.tmpl.ListTemplatePictures(false)[2]), mine);

    // Failed without a reason: the generic text.
    prompts.messages.clear();
    wizard.Finish(FactoryOf(IEncodeEngine::kFailed));
    ASSERT_TRUE(wizard.WaitIdle());
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_TRUE(prompts.messages[0].text.contains("no reason"));

    // Cancel while busy: the button goes off until the job answers, then the
    // cancelled box, and the wizard is idle.
    prompts.messages.clear();
    wizard.Finish(FactoryOf(IEncodeEngine::kDone, {}, 50));
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.ProgressBar()->value() >= 50; }, 10000));
    if (kScreenshots)
        Screenshot(dialog, "wizard-rendering.png");
    QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
    EXPECT_FALSE(dialog.CancelButton()->isEnabled());
    ASSERT_TRUE(wizard.WaitIdle());
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].caption, "Encoding Cancelled");
    EXPECT_TRUE(prompts.messages[0].text.startsWith("Video generation cancelled"));
    EXPECT_TRUE(dialog.CancelButton()->isEnabled());
    EXPECT_TRUE(dialog.isVisible());

    // Done: the success question; No opens nothing and closes the wizard.
    prompts.messages.clear();
    prompts.onMessage = [&](const CFakePrompts::SMessage& m) {
        if (m.caption == "Success")
            Screenshot(dialog, "wizard-success.png");
    };
    CFakeEngine* engine = nullptr;
    wizard.Finish(FactoryOf(IEncodeEngine::kDone, {}, -1, &engine));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.isVisible(); }, 10000));
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].caption, "Success");
    EXPECT_EQ(prompts.messages[0].icon, QMessageBox::Question);
    EXPECT_TRUE(prompts.opened.empty());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.ProgressBar()->value(), 100);
    // The demo has music: the engine got the sound track.
    EXPECT_TRUE(engine->hadAudio);
}

// The render job without the wizard: the template's album with its sound
// track, progress in order on the GUI thread, then one end; stopped, its
// last notice waits for Poll.
TEST(RenderJob, ReportsProgressThenOneEndAndStopsWhenAsked) {
    CScopedSettings settings;
    CDecoderProbeScope decoders;
    CTempDir dir;
    CProjTmpl tmpl;
    ASSERT_TRUE(tmpl.Load(KV_DEMO)) << tmpl.GetError();
    CRenderJob job;
    std::vector<int> percents;
    std::vector<std::pair<CRenderJob::EEnd, QString>> ends;
    QObject::connect(&job, &CRenderJob::Progress, [&](int percent) { percents.push_back(percent); });
    QObject::connect(&job, &CRenderJob::Ended,
                     [&](CRenderJob::EEnd end, const QString& reason) { ends.emplace_back(end, reason); });
    EXPECT_FALSE(job.Begin(std::make_unique<CFakeEngine>(IEncodeEngine::kDone), dir / "a.mpg"))
        << "nothing prepared";
    job.Prepare(tmpl);
    ASSERT_NE(job.Video(), nullptr);
    ASSERT_NE(job.Audio(), nullptr) << "the demo has music";

    auto engine = std::make_unique<CFakeEngine>(IEncodeEngine::kFailed, "disk full");
    CFakeEngine& failing = *engine;
    ASSERT_TRUE(job.Begin(std::move(engine), dir / "a.mpg"));
    EXPECT_TRUE(job.IsRunning());
    EXPECT_EQ(job.OutputPath(), dir / "a.mpg");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !ends.empty(); }, 10000));
    EXPECT_FALSE(job.IsRunning());
    EXPECT_TRUE(failing.hadAudio);
    EXPECT_EQ(percents.size(), 11u);
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(ends[0].first, CRenderJob::EEnd::kFailed);
    EXPECT_EQ(ends[0].second, "disk full");

    // Held at 30 %: Stop cancels and waits, and Poll tells the end at once.
    ends.clear();
    ASSERT_TRUE(job.Begin(std::make_unique<CFakeEngine>(IEncodeEngine::kDone, std::string(), 30),
                          dir / "b.mpg"));
    job.Stop();
    EXPECT_TRUE(ends.empty());
    job.Poll();
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(ends[0].first, CRenderJob::EEnd::kCancelled);
    EXPECT_FALSE(job.IsRunning());
}

TEST(Wizard, YesInTheSuccessBoxOpensTheVideo) {
    CScopedSettings settings;
    CTempDir dir;
    CFakePrompts prompts;
    prompts.answer = QMessageBox::Yes;
    CUserPrompts::CScope scope(prompts);
    SWizard wizard;
    wizard.Main().FolderTab()->SetPath(dir / "out.mpg");
    wizard.Finish(FactoryOf(IEncodeEngine::kDone));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !wizard.dialog->isVisible(); }, 10000));
    ASSERT_EQ(prompts.opened.size(), 1u);
    EXPECT_EQ(prompts.opened[0].toStdString(), dir / "out.mpg");
}

TEST(Wizard, ClosingTheWindowDuringAnEncodeAsksFirst) {
    CScopedSettings settings;
    CTempDir dir;
    CFakePrompts prompts;
    CUserPrompts::CScope scope(prompts);
    SWizard wizard;
    wizard.Main().FolderTab()->SetPath(dir / "out.mpg");
    wizard.Finish(FactoryOf(IEncodeEngine::kDone, {}, 30));
    ASSERT_TRUE(QTest::qWaitFor([&] { return wizard.dialog->ProgressBar()->value() >= 30; }, 10000));
    // No: the render goes on.
    wizard.dialog->close();
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].icon, QMessageBox::Question);
    EXPECT_TRUE(wizard.dialog->isVisible());
    EXPECT_TRUE(wizard.dialog->IsBusy());
    // Yes: it stops and the window closes, without another word.
    prompts.answer = QMessageBox::Yes;
    wizard.dialog->close();
    EXPECT_FALSE(wizard.dialog->isVisible());
    EXPECT_FALSE(wizard.dialog->IsBusy());
    EXPECT_EQ(prompts.messages.size(), 2u);
    // Cancel when idle closes too.
    wizard.dialog->show();
    QTest::mouseClick(wizard.dialog->CancelButton(), Qt::LeftButton);
    EXPECT_FALSE(wizard.dialog->isVisible());
    EXPECT_EQ(wizard.dialog->result(), QDialog::Rejected);
}

// A file that is not a picture is refused when it is chosen, named with the
// reason, and the template's picture stays; one that stops being readable
// after it was chosen stops Finish, named.
TEST(Wizard, AFileThatIsNoPictureIsRefusedAtOnceAndNamed) {
    CScopedSettings settings;
    CTempDir dir;
    CFakePrompts prompts;
    CUserPrompts::CScope scope(prompts);
    const std::string notes = dir.WriteFile("notes.jpg", "these are my notes, not a picture");
    const std::string photo = dir.WriteFile("photo.png", PngBytes(Flat(64, 48, 0, 0, 200), false));
    SWizard wizard;
    const std::vector<std::string> own = wizard.tmpl.ListTemplatePictures(false);
    wizard.Main().FolderTab()->SetPath(dir / "out.mpg");
    prompts.files = {QString::fromStdString(notes), QString::fromStdString(photo)};
    wizard.Select({0, 1});
    wizard.Pictures().Replace();
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].icon, QMessageBox::Warning);
    EXPECT_TRUE(prompts.messages[0].text.contains(QString::fromStdString(notes)));
    if (kScreenshots) {
        ScreenshotNextBox(prompts, "wizard-refused-picture.png");
        wizard.Pictures().Replace();
        prompts.realMessages = false;
    }
    // The good one takes the first selected place; the other keeps its own.
    EXPECT_EQ(wizard.List().GetPicture(0), photo);
    EXPECT_EQ(wizard.List().GetPicture(1), own[1]);
    EXPECT_EQ(wizard.tmpl.GetReplacement(own[1]), "");

    // The chosen photo is overwritten with text meanwhile: Finish names it.
    dir.WriteFile("photo.png", "no longer a picture");
    prompts.messages.clear();
    bool made = false;
    wizard.Finish([&](IVideoSrc*, IAudioSrc*, const std::string&, std::string*) {
        made = true;
        return std::unique_ptr<IEncodeEngine>();
    });
    EXPECT_FALSE(made);
    EXPECT_FALSE(wizard.dialog->IsBusy());
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].icon, QMessageBox::Critical);
    EXPECT_TRUE(prompts.messages[0].text.contains(QString::fromStdString(photo)));
}

TEST(Wizard, PlayButtonAndSliderDriveThePreview) {
    CScopedSettings settings;
    CFakePrompts prompts;
    CUserPrompts::CScope scope(prompts);
    SWizard wizard;
    CTemplatePage& main = wizard.Main();
    const int count = wizard.Preview().GetFrameCount();
    ASSERT_GT(count, 100);
    // Idle, the preview stands where the first slide shows whole, past the
    // opening fade from black, and the time beside the slider says so.
    const int idle = wizard.Preview().IdleFrame();
    EXPECT_GT(idle, 0);
    EXPECT_EQ(wizard.Preview().GetCurrentFrame(), idle);
    const QColor shown = wizard.PreviewColourAt(idle, 0.3, 0.5);
    EXPECT_GT(shown.red() + shown.green() + shown.blue(), 60) << "not the black of the fade";
    EXPECT_EQ(main.TimeLabel()->text(), "0:01 / 1:00") << main.TimeLabel()->text().toStdString();
    // A click on the track jumps there.
    const QRect track = main.Slider()->rect();
    QTest::mouseClick(main.Slider(), Qt::LeftButton, {}, QPoint(track.width() * 3 / 4, track.height() / 2));
    const int jumped = wizard.Preview().GetCurrentFrame();
    EXPECT_NEAR(jumped, count * 3 / 4, count / 20);
    EXPECT_EQ(main.TimeLabel()->text().right(4), "1:00");
    main.Slider()->triggerAction(QAbstractSlider::SliderToMinimum);
    // A page step of the slider seeks to the frame nearest its position.
    main.Slider()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(wizard.Preview().GetCurrentFrame(), ((count - 1) * 100 * 2 + 1000) / 2000);
    QTest::mouseClick(main.PlayButton(), Qt::LeftButton);
    EXPECT_TRUE(main.IsPlaying());
    EXPECT_TRUE(wizard.Preview().IsPlaying());
    const int before = main.Slider()->value();
    ASSERT_TRUE(QTest::qWaitFor([&] { return main.Slider()->value() > before; }, 5000));
    QTest::mouseClick(main.PlayButton(), Qt::LeftButton);
    EXPECT_FALSE(main.IsPlaying());
    EXPECT_FALSE(wizard.Preview().IsPlaying());

    // From the last frame, Play starts over.
    main.Slider()->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(wizard.Preview().GetCurrentFrame(), count - 1);
    QTest::mouseClick(main.PlayButton(), Qt::LeftButton);
    EXPECT_TRUE(wizard.Preview().IsPlaying());
    EXPECT_LT(wizard.Preview().GetCurrentFrame(), 20);
    QTest::mouseClick(main.PlayButton(), Qt::LeftButton);
}

TEST(Wizard, SettingsTabSizesAndEngines) {
    CScopedSettings settings;
    CFakePrompts prompts;
    CUserPrompts::CScope scope(prompts);
    SetSettingInt(Settings::PAL.name, 1);
    CSettingsTab page;
    EXPECT_EQ(page.StandardList()->currentText(), "PAL");
    EXPECT_EQ(page.DiscList()->currentText(), "DVD");
    EXPECT_EQ(page.WidthField()->Value(), 720);
    EXPECT_EQ(page.HeightField()->Value(), 576);
    EXPECT_FALSE(page.WidthField()->isEnabled());
    page.DiscList()->setCurrentIndex(2);
    EXPECT_EQ(page.HeightField()->Value(), 288);
    page.StandardList()->setCurrentIndex(0);
    EXPECT_EQ(page.WidthField()->Value(), 352);
    EXPECT_EQ(page.HeightField()->Value(), 240);
    EXPECT_EQ(GetSetting(Settings::PAL), 0);

    page.DiscList()->setCurrentIndex(3);
    EXPECT_TRUE(page.WidthField()->isEnabled());
    struct SCase {
        int w, h, ew, eh;
    };
    for (SCase c : {SCase{1000, 703, 1000, 700}, SCase{150, 1500, 200, 1440}, SCase{1925, 199, 1920, 200}}) {
        page.WidthField()->setText(QString::number(c.w));
        page.WidthField()->Commit();
        page.HeightField()->setText(QString::number(c.h));
        page.HeightField()->Commit();
        EXPECT_EQ(page.WidthField()->Value(), c.ew);
        EXPECT_EQ(page.HeightField()->Value(), c.eh);
    }
    // Busy and back: the size fields come back only for a custom size.
    page.EnableControls(false);
    EXPECT_FALSE(page.WidthField()->isEnabled());
    page.EnableControls(true);
    EXPECT_TRUE(page.WidthField()->isEnabled());
    page.DiscList()->setCurrentIndex(0);
    page.EnableControls(false);
    page.EnableControls(true);
    EXPECT_FALSE(page.WidthField()->isEnabled());

    // The engine asks the video source for the standard's frames at the
    // aspect's pixel shape; an AVI path asks for its encoders first.
    class CFormatProbe final : public IVideoSrc {
    public:
        int SetOutputFormat(const int size[2], double aspect, double rate, int, const SEffectRect*) override {
            width = size[0];
            height = size[1];
            pixelAspect = aspect;
            frameRate = rate;
            return 1;
        }
        double GetFrameRate() override { return frameRate; }
        void GetFrameSize(int* w, int* h) override { *w = width, *h = height; }
        unsigned int GetFrameCount() override { return 1; }
        const std::uint8_t* GetFrame(int, int*) override { return nullptr; }
        int width = 0, height = 0;
        double pixelAspect = 0, frameRate = 0;
    } video;
    SetSettingInt(Settings::AspRatio.name, 1);
    std::string why;
    EXPECT_NE(page.CreateEngine(&video, nullptr, "/tmp/x.mpeg", &why), nullptr) << why;
    EXPECT_EQ(prompts.codecCalls, 0);
    EXPECT_EQ(video.width, 720);
    EXPECT_EQ(video.height, 480);
    EXPECT_NEAR(video.pixelAspect, 1.1852, 1e-4);
    EXPECT_DOUBLE_EQ(video.frameRate, 29.97);
    EXPECT_NE(page.CreateEngine(&video, nullptr, "/tmp/x.AVI", &why), nullptr) << why;
    EXPECT_EQ(prompts.codecCalls, 1);
    prompts.codecsChosen = false;
    why.clear();
    EXPECT_EQ(page.CreateEngine(&video, nullptr, "/tmp/x.avi", &why), nullptr);
    EXPECT_TRUE(why.empty());
}

TEST(Wizard, FolderTabPathsAndTheWebLink) {
    CScopedSettings settings;
    CFakePrompts prompts;
    CUserPrompts::CScope scope(prompts);
    EXPECT_EQ(CFolderTab::JoinPath("/a/b", "t.avi"), "/a/b/t.avi");
    EXPECT_EQ(CFolderTab::JoinPath("/a/b/", "t.avi"), "/a/b/t.avi");
    EXPECT_EQ(CFolderTab::JoinPath("", "t.avi"), "t.avi");
    EXPECT_EQ(CFolderTab::JoinPath("/a", ""), "");
    CFolderTab folder;
    folder.SetBaseName("");
    EXPECT_EQ(folder.GetPath(), "");
    folder.SetPath("/keep.avi");
    // The path after the browse button, the dialog answering name.
    auto browse = [&](const char* name) {
        prompts.saveFile = name;
        QTest::mouseClick(folder.findChild<QPushButton*>(), Qt::LeftButton);
        return folder.GetPath();
    };
    EXPECT_EQ(browse("/v/holiday"), "/v/holiday.avi");
    // The dialog starts at the current path and offers every type, the
    // current one first; a name of any type keeps it, a bare name gets the
    // current type.
    EXPECT_EQ(prompts.saveFolder, "/keep.avi");
    EXPECT_TRUE(prompts.saveFilter.startsWith("AVI video (*.avi)")) << prompts.saveFilter.toStdString();
    EXPECT_TRUE(prompts.saveFilter.contains("MPEG video (*.mpg *.mpeg)"));
    EXPECT_TRUE(prompts.saveFilter.contains("MP4 video (*.mp4 *.m4v *.mov *.mkv)"));
    EXPECT_EQ(browse("/v/holiday.mpg"), "/v/holiday.mpg");
    EXPECT_EQ(browse("/v/next"), "/v/next.mpg");
    EXPECT_TRUE(prompts.saveFilter.startsWith("MPEG video"));
    EXPECT_EQ(browse("/v/phone.MP4"), "/v/phone.MP4");
    EXPECT_EQ(browse("/v/again"), "/v/again.mp4");
    EXPECT_EQ(browse("/v/clip.AVI"), "/v/clip.AVI");
    EXPECT_EQ(browse(""), "/v/clip.AVI") << "cancelled: the path stays";

    SWizard wizard;
    QTest::mouseClick(wizard.dialog->WebLink(), Qt::LeftButton);
    ASSERT_EQ(prompts.opened.size(), 1u);
    EXPECT_EQ(prompts.opened[0].toStdString(), CWizard::HelpPage());
    EXPECT_TRUE(std::filesystem::exists(CWizard::HelpPage()));
}

TEST(Wizard, StartUpTitleAndAMissingTemplate) {
    EXPECT_EQ(CKelvclipApp::TitleFrom({"kelvclip"}), "Reelkit");
    EXPECT_EQ(CKelvclipApp::TitleFrom({"kelvclip", "My Show"}), "My Show");
    EXPECT_EQ(CKelvclipApp::TitleFrom({"kelvclip", "-x", "Mine"}), "Mine");
    // Without tmpl.vez in the working folder the program ends at once,
    // silently, with exit code 0; a broken one alike.
    CTempDir dir;
    std::string output;
    const std::string run = "cd " + dir.Path() + " && QT_QPA_PLATFORM=offscreen timeout 20 " + KV_GUI + " 2>&1";
    EXPECT_EQ(RunCommand(run, &output), 0) << output;
    dir.WriteFile("tmpl.vez", "PK\x03\x04 not a zip");
    EXPECT_EQ(RunCommand(run, &output), 0) << output;
}

// The whole way a user goes: the demo template, picture 1 replaced by his
// own, a PAL DVD stream made by the real engine, read back with FFmpeg.
TEST(WizardEndToEnd, ReplacedPictureReachesAPalDvdStream) {
    CScopedSettings settings;
    CDecoderProbeScope decoders;
    CTempDir dir;
    CFakePrompts prompts;
    prompts.realMessages = true;
    CUserPrompts::CScope scope(prompts);
    const std::string magenta =
        dir.WriteFile("magenta.png", PngBytes(Flat(800, 600, 220, 0, 220), false));
    SWizard wizard;
    CWizard& dialog = *wizard.dialog;
    prompts.files = {QString::fromStdString(magenta)};
    wizard.Select({0});
    QTest::mouseClick(wizard.Pictures().ReplaceButton(), Qt::LeftButton);
    ASSERT_EQ(wizard.List().GetPicture(0), magenta);
    wizard.Main().Tabs()->setCurrentIndex(1);
    CSettingsTab& format = *wizard.Main().SettingsTab();
    format.StandardList()->setCurrentIndex(1);
    format.DiscList()->setCurrentIndex(0);
    if (kScreenshots)
        Screenshot(dialog, "wizard-settings.png");
    const std::string path = dir / "holiday.mpg";
    wizard.Main().Tabs()->setCurrentIndex(2);
    QLineEdit* field = wizard.Main().FolderTab()->PathField();
    field->clear();
    QTest::keyClicks(field, QString::fromStdString(path));

    // The success question comes as a real message box: take its picture
    // and answer No.
    bool asked = false;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        asked = true;
        EXPECT_EQ(box->windowTitle(), "Success");
        Screenshot(*box, "wizard-success-question.png");
        box->button(QMessageBox::No)->click();
    });
    answer.start(50);
    QTest::mouseClick(dialog.FinishButton(), Qt::LeftButton);
    // While it renders: a busy cursor, and the speed and time left once
    // they are known.
    EXPECT_EQ(dialog.cursor().shape(), Qt::BusyCursor);
    bool timed = false;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            if (!timed && dialog.IsBusy() && dialog.ProgressBar()->text().contains("left")) {
                timed = true;
                EXPECT_TRUE(dialog.ProgressBar()->text().contains("frames/s"));
                Screenshot(dialog, "wizard-rendering-time-left.png");
            }
            return !dialog.isVisible();
        },
        kWholeRenderMs));
    answer.stop();
    EXPECT_TRUE(timed) << "no time left was shown";
    EXPECT_TRUE(asked);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(prompts.opened.empty());

    const SFileInfo info = Inspect(path);
    ASSERT_TRUE(info.opened);
    ASSERT_NE(info.Video(), nullptr);
    EXPECT_EQ(info.Video()->width, 720);
    EXPECT_EQ(info.Video()->height, 576);
    EXPECT_NEAR(info.Video()->fps, 25.0, 0.01);
    EXPECT_NE(info.Audio(), nullptr);
    // Two seconds in, the first slide shows the user's picture above its captions.
    CFfVideo video;
    ASSERT_TRUE(video.Open(path));
    int stride = 0;
    const std::uint8_t* frame = video.GetFrame(50, false, stride);
    ASSERT_NE(frame, nullptr);
    const std::uint8_t* p = frame + std::ptrdiff_t(stride) * 60 + 4 * 360;
    EXPECT_NEAR(p[0], 220, 40);
    EXPECT_LT(p[1], 50);
    EXPECT_NEAR(p[2], 220, 40);
}

TEST(WizardEndToEnd, AFolderThatDoesNotExistFailsNamingTheFileAndKeepsTheReplacements) {
    CScopedSettings settings;
    CTempDir dir;
    CFakePrompts prompts;
    CUserPrompts::CScope scope(prompts);
    const std::string mine = dir.WriteFile("mine.png", PngBytes(Flat(80, 60, 0, 0, 200), false));
    SWizard wizard;
    prompts.files = {QString::fromStdString(mine)};
    wizard.Select({2});
    wizard.Pictures().Replace();
    const std::string path = dir / "no/such/folder/out.mpg";
    wizard.Main().FolderTab()->SetPath(path);
    QTest::mouseClick(wizard.dialog->FinishButton(), Qt::LeftButton);
    ASSERT_TRUE(wizard.WaitIdle());
    // Said before anything else is asked (the encoder choice of an AVI).
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].icon, QMessageBox::Warning);
    EXPECT_TRUE(prompts.messages[0].text.contains(
        QString::fromStdString(dir / "no/such/folder") + " does not exist"))
        << prompts.messages[0].text.toStdString();
    EXPECT_EQ(prompts.codecCalls, 0);
    EXPECT_TRUE(wizard.dialog->isVisible());
    EXPECT_EQ(wizard.List().GetPicture(2), mine);
    EXPECT_EQ(wizard.tmpl.GetReplacement(wizard.tmpl.ListTemplatePictures(false)[2]), mine);
}

TEST(WizardEndToEnd, ClosingTheWindowMidEncodeLeavesAFilePlayersOpen) {
    CScopedSettings settings;
    CTempDir dir;
    CFakePrompts prompts;
    CUserPrompts::CScope scope(prompts);
    SWizard wizard;
    const std::string path = dir / "part.mpg";
    wizard.Main().FolderTab()->SetPath(path);
    QTest::mouseClick(wizard.dialog->FinishButton(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return wizard.dialog->ProgressBar()->value() >= 10; }, 60000));
    prompts.answer = QMessageBox::Yes; // stop it and close
    wizard.dialog->close();
    EXPECT_FALSE(wizard.dialog->isVisible());
    EXPECT_FALSE(wizard.dialog->IsBusy());
    EXPECT_EQ(prompts.messages.size(), 1u);
    const SFileInfo info = Inspect(path);
    ASSERT_TRUE(info.opened);
    ASSERT_NE(info.Video(), nullptr);
    EXPECT_GT(info.Video()->frames, 25);
    EXPECT_LT(info.Video()->frames, 41 * 25);
}

// The default output is an AVI file: Finish asks for its encoders in a
// dialog of its own, then makes the file at the Settings tab's size.
TEST(WizardEndToEnd, TheDefaultAviFileAfterTheEncoderChoice) {
    CScopedSettings settings;
    CDecoderProbeScope decoders;
    CTempDir dir;
    SetSettingString(Settings::UpathProj.name, dir.Path());
    CFakePrompts prompts;
    prompts.realCodecChoice = true;
    CUserPrompts::CScope scope(prompts);
    SWizard wizard;
    const std::string path = dir / "tmpl.avi";
    EXPECT_EQ(wizard.Main().FolderTab()->GetPath(), path);
    bool chose = false;
    QTimer accept;
    QObject::connect(&accept, &QTimer::timeout, [&] {
        auto* choice = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!choice || choice == wizard.dialog.get())
            return;
        chose = true;
        Screenshot(*choice, "wizard-avi-encoders.png");
        choice->accept();
    });
    accept.start(50);
    QTest::mouseClick(wizard.dialog->FinishButton(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !wizard.dialog->isVisible(); }, kWholeRenderMs));
    accept.stop();
    EXPECT_TRUE(chose);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].caption, "Success");
    const SFileInfo info = Inspect(path);
    ASSERT_TRUE(info.opened);
    EXPECT_EQ(info.format, "avi");
    ASSERT_NE(info.Video(), nullptr);
    EXPECT_EQ(info.Video()->width, 720);
    EXPECT_NE(info.Audio(), nullptr);
}

// The Settings tab's sizes for screens make MP4 files: choosing one gives
// the path the MP4 extension, choosing an MP4 file chooses one, and the
// success question opens the file like any other.
TEST(WizardEndToEnd, AnMp4SizeOnTheSettingsTabMakesAnMp4File) {
    CScopedSettings settings;
    CDecoderProbeScope decoders;
    CTempDir dir;
    SetSettingString(Settings::UpathProj.name, dir.Path());
    CFakePrompts prompts;
    prompts.answer = QMessageBox::Yes;
    CUserPrompts::CScope scope(prompts);
    SWizard wizard;
    CSettingsTab& format = *wizard.Main().SettingsTab();
    CFolderTab& folder = *wizard.Main().FolderTab();
    format.StandardList()->setCurrentIndex(0);
    const int hd = format.DiscList()->findText("HD 1080p (MP4)");
    ASSERT_GE(hd, 4) << "the disc types keep their places";
    format.DiscList()->setCurrentIndex(hd);
    EXPECT_EQ(folder.GetPath(), dir / "tmpl.mp4");
    EXPECT_EQ(format.WidthField()->Value(), 1920);
    EXPECT_EQ(format.HeightField()->Value(), 1080);
    EXPECT_FALSE(format.WidthField()->isEnabled());
    wizard.Main().Tabs()->setCurrentIndex(1);
    Screenshot(*wizard.dialog, "wizard-settings-mp4.png");

    // A disc type makes an MPEG file of an MP4 one (an AVI stays an AVI);
    // an MP4 file chosen with a disc type gets HD 720p.
    auto browse = [&](const char* name) {
        prompts.saveFile = name;
        QTest::mouseClick(folder.findChild<QPushButton*>(), Qt::LeftButton);
    };
    format.DiscList()->setCurrentIndex(COutputFormat::kSvcd);
    EXPECT_EQ(folder.GetPath(), dir / "tmpl.mpg");
    browse("/v/clip.avi");
    EXPECT_EQ(format.DiscList()->currentIndex(), COutputFormat::kSvcd);
    browse("/v/phone.MOV");
    EXPECT_EQ(format.DiscList()->currentText(), "HD 720p (MP4)");
    browse("/v/disc.mpg");
    EXPECT_EQ(format.DiscList()->currentIndex(), COutputFormat::kDvd);
    format.DiscList()->setCurrentIndex(hd);
    EXPECT_EQ(folder.GetPath(), "/v/disc.mp4");

    // The render at HD 720p (1080p costs twice the time for the same proof).
    format.DiscList()->setCurrentIndex(format.DiscList()->findText("HD 720p (MP4)"));
    const std::string path = dir / "holiday.mp4";
    folder.SetPath(path);
    QTest::mouseClick(wizard.dialog->FinishButton(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !wizard.dialog->isVisible(); }, kWholeRenderMs));
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].caption, "Success");
    ASSERT_EQ(prompts.opened.size(), 1u);
    EXPECT_EQ(prompts.opened[0].toStdString(), path);
    const SFileInfo info = Inspect(path);
    ASSERT_TRUE(info.opened);
    EXPECT_EQ(info.format, "mov,mp4,m4a,3gp,3g2,mj2");
    ASSERT_NE(info.Video(), nullptr);
    EXPECT_EQ(info.Video()->codec, "h264");
    EXPECT_EQ(info.Video()->width, 1280);
    EXPECT_EQ(info.Video()->height, 720);
    EXPECT_NEAR(info.Video()->fps, 30.0, 0.01);
    EXPECT_EQ(info.Video()->colourSpace, "bt709");
    ASSERT_NE(info.Audio(), nullptr);
    EXPECT_EQ(info.Audio()->codec, "aac");
    EXPECT_EQ(info.Audio()->sampleRate, 48000);
}

// SIGTERM or SIGHUP to the wizard removes the template's extracted media (the
// demo's MP3 and MP4 are extracted for the preview) before it ends by that
// signal, as the command line does.
TEST(WizardEndToEnd, TerminationSignalsRemoveTheExtractedMedia) {
    CTempDir dir;
    for (const char* signal : {"TERM", "HUP"}) {
        SCOPED_TRACE(signal);
        std::string output;
        const std::string script =
            "cd '" + dir.Path() + "' && rm -rf tmp && mkdir tmp && cp '" KV_DEMO "' tmpl.vez && "
            "(TMPDIR=\"$PWD/tmp\" QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy "
            "KELVCLIP_CONFIG=\"$PWD/k.ini\" '" KV_GUI "' > /dev/null 2>&1 & pid=$!; "
            "ours() { ls tmp | grep -c '^kelvclip-'; }; "
            "for i in $(seq 600); do [ \"$(ours)\" != 0 ] && break; sleep 0.1; done; "
            "sleep 0.5; before=$(ours); kill -" + std::string(signal) + " $pid; "
            "wait $pid; rc=$?; echo \"before=$before rc=$rc after=$(ours)\")";
        ASSERT_EQ(RunCommand(script, &output), 0) << output;
        const int code = std::string(signal) == "TERM" ? 143 : 129;
        EXPECT_NE(output.find("before=1 rc=" + std::to_string(code) + " after=0"),
                  std::string::npos)
            << output;
    }
}

// Without a display the wizard says so in one line and exits with 1, instead
// of Qt's abort and its advice to reinstall.
TEST(WizardEndToEnd, NoDisplayIsOneClearLineAndExitOne) {
    std::string output;
    EXPECT_EQ(RunCommand("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '" KV_GUI "' 2>&1",
                         &output),
              1)
        << output;
    EXPECT_EQ(output, "kelvclip: no display found: DISPLAY and WAYLAND_DISPLAY are unset\n");
    EXPECT_EQ(RunCommand("env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=:77 '" KV_GUI "' 2>&1",
                         &output),
              1)
        << output;
    EXPECT_EQ(output, "kelvclip: no display found: cannot reach the display :77\n");
}

// No work is lost: the pictures replaced, the output and its format come
// back when the same template opens again (the files that are gone are
// named), and an existing video is replaced only when the user says so.
TEST(Wizard, ReplacementsComeBackAndAVideoIsReplacedOnlyWhenAsked) {
    CScopedSettings settings;
    CTempDir dir;
    CFakePrompts prompts;
    CUserPrompts::CScope scope(prompts);
    const std::string red = dir.WriteFile("red.png", PngBytes(Flat(160, 120, 0, 0, 220), false));
    const std::string green = dir.WriteFile("green.png", PngBytes(Flat(160, 120, 0, 200, 0), false));
    std::vector<std::string> own;
    {
        SWizard wizard;
        EXPECT_TRUE(prompts.messages.empty()) << "nothing to offer the first time";
        own = wizard.tmpl.ListTemplatePictures(false);
        // One picture selected, two files chosen: said, and the first used.
        prompts.files = {QString::fromStdString(red), QString::fromStdString(green)};
        wizard.Select({0});
        wizard.Pictures().Replace();
        ASSERT_EQ(prompts.messages.size(), 1u);
        EXPECT_EQ(prompts.messages[0].icon, QMessageBox::Information);
        prompts.files = {QString::fromStdString(green)};
        wizard.Select({2});
        wizard.Pictures().Replace();
        CSettingsTab* format = wizard.Main().SettingsTab();
        format->DiscList()->setCurrentIndex(3);
        format->WidthField()->SetValue(640);
        format->HeightField()->SetValue(360);
        wizard.Main().FolderTab()->SetPath(dir / "holiday.mpg");
    }
    prompts.messages.clear();
    prompts.answer = QMessageBox::Yes;
    {
        if (kScreenshots)
            ScreenshotNextBox(prompts, "wizard-restore-question.png", QMessageBox::Yes);
        SWizard wizard;
        prompts.realMessages = false;
        ASSERT_TRUE(QTest::qWaitFor([&] { return wizard.tmpl.GetReplacement(own[0]) == red; }, 5000));
        EXPECT_EQ(wizard.tmpl.GetReplacement(own[2]), green);
        EXPECT_EQ(wizard.List().GetPicture(2), green);
        EXPECT_EQ(wizard.Main().FolderTab()->GetPath(), dir / "holiday.mpg");
        EXPECT_EQ(wizard.Main().SettingsTab()->DiscList()->currentIndex(), 3);
        EXPECT_EQ(wizard.Main().SettingsTab()->WidthField()->Value(), 640);

        // The video exists: Finish asks first; No leaves it alone.
        dir.WriteFile("holiday.mpg", "OLD");
        prompts.replaceAnswer = QMessageBox::No;
        bool made = false;
        wizard.Finish([&](IVideoSrc*, IAudioSrc*, const std::string&, std::string*) {
            made = true;
            return std::unique_ptr<IEncodeEngine>();
        });
        EXPECT_EQ(prompts.replaceQuestions, 1);
        EXPECT_FALSE(made);
        EXPECT_EQ(ReadWholeFile(dir / "holiday.mpg"), "OLD");
        if (kScreenshots) {
            CFakePrompts real;
            real.realMessages = true;
            CUserPrompts::CScope realScope(real);
            ScreenshotNextBox(real, "wizard-overwrite-question.png", QMessageBox::No);
            wizard.Finish(FactoryOf(IEncodeEngine::kDone));
            EXPECT_TRUE(wizard.WaitIdle());
            EXPECT_EQ(ReadWholeFile(dir / "holiday.mpg"), "OLD");
        }
    }
    // A remembered picture that is gone: the others come back, it is named.
    std::filesystem::remove(red);
    prompts.messages.clear();
    {
        SWizard wizard;
        ASSERT_TRUE(QTest::qWaitFor([&] { return prompts.messages.size() >= 2; }, 5000));
        EXPECT_EQ(prompts.messages[1].icon, QMessageBox::Information);
        EXPECT_TRUE(prompts.messages[1].text.contains(QString::fromStdString(red)));
        EXPECT_EQ(wizard.tmpl.GetReplacement(own[0]), "");
        EXPECT_EQ(wizard.tmpl.GetReplacement(own[2]), green);
    }
}

// With the "Encoder" setting at 1 and "TMpgEnc" naming the example external
// encoder, Finish hands the DVD to that program through the frame-serving
// channel, and the file is the whole album.
TEST(WizardEndToEnd, TheEncoderSettingHandsTheDvdToTheExternalEncoder) {
    CScopedSettings settings;
    CDecoderProbeScope decoders; // the demo's music is told by its decoders
    CTempDir dir;
    SetSettingInt(Settings::Encoder.name, 1);
    SetSettingString(Settings::TMpgEnc.name, KV_EXAMPLE_ENCODER);
    setenv("KELVCLIP_FRAMECLIENT", KV_FRAMECLIENT, 1);
    CFakePrompts prompts;
    CUserPrompts::CScope scope(prompts);
    SWizard wizard;
    CSettingsTab& format = *wizard.Main().SettingsTab();
    format.StandardList()->setCurrentIndex(1);
    format.DiscList()->setCurrentIndex(0);
    const std::string path = dir / "external.mpg";
    wizard.Main().FolderTab()->SetPath(path);
    QTest::mouseClick(wizard.dialog->FinishButton(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !wizard.dialog->isVisible(); }, kWholeRenderMs));
    unsetenv("KELVCLIP_FRAMECLIENT");
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].caption, "Success") << prompts.messages[0].text.toStdString();
    const SFileInfo info = Inspect(path);
    ASSERT_TRUE(info.opened);
    ASSERT_NE(info.Video(), nullptr);
    EXPECT_EQ(info.Video()->width, 720);
    EXPECT_EQ(info.Video()->height, 576);
    EXPECT_EQ(info.Video()->frames, 1513); // 60.5 s at 25 frames per second
    ASSERT_NE(info.Audio(), nullptr);
    EXPECT_EQ(info.Audio()->sampleRate, 48000);
    EXPECT_NEAR(double(info.Audio()->samples) / 48000, 60.5, 0.05);
}
