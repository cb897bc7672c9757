#include "app/CtrlPicList.h"
#include "app/ExtThumbMgr.h"
#include "app/ProjTmplThumbCache.h"
#include "project/ProjTmpl.h"
#include "tests/app/ThumbFakes.h"
#include "tests/support/MediaMaker.h"
#include "tests/support/TempDir.h"

#include <QApplication>
#include <QImage>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <thread>

using namespace std::chrono_literals;

namespace {

// Processes events until pred holds or ms pass.
template <class Pred>
bool WaitFor(Pred pred, int ms = 10000) {
    return QTest::qWaitFor(pred, ms);
}

bool AllSettled(const CCtrlPicList& list) {
    for (int i = 0; i < list.count(); ++i)
        if (list.GetImageIndex(i) == CCtrlPicList::kImagePending)
            return false;
    return true;
}

// Qt's painting hands image work to a pool of its own threads, which
// synchronise in ways ThreadSanitizer cannot see inside the uninstrumented Qt
// libraries; a thread-sanitizer build takes no screenshots.
#if defined(__SANITIZE_THREAD__)
constexpr bool kScreenshots = false;
#else
constexpr bool kScreenshots = true;
#endif

bool NoWorkerLeft() {
    return WaitFor([] { return CExtThumbMgr::GetLiveWorkers() == 0; });
}

} // namespace

TEST(CtrlPicList, ItemsCarryTheirPathsAndSetPictureOutOfRangeChangesNothing) {
    auto cache = std::make_shared<CNamedThumbCache>();
    CCtrlPicList list(cache);
    EXPECT_EQ(list.iconSize(), QSize(96, 96));
    EXPECT_EQ(list.AddPicture("b.jpg"), 0);
    EXPECT_EQ(list.AddPicture("c.jpg", -1), 1);
    EXPECT_EQ(list.AddPicture("a.jpg", 0), 0);
    EXPECT_EQ(list.GetPicture(0), "a.jpg");
    EXPECT_EQ(list.GetPicture(3), "");
    list.Refresh(false);
    ASSERT_TRUE(WaitFor([&] { return AllSettled(list); }));

    EXPECT_FALSE(list.SetPicture("x.jpg", 3));
    EXPECT_FALSE(list.SetPicture("x.jpg", -1));
    EXPECT_EQ(list.count(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(list.GetImageIndex(i), CCtrlPicList::kImageThumb);
    EXPECT_EQ(list.GetPicture(2), "c.jpg");

    EXPECT_TRUE(list.SetPicture("x.jpg", 2));
    EXPECT_EQ(list.GetPicture(2), "x.jpg");
    EXPECT_EQ(list.GetImageIndex(2), CCtrlPicList::kImagePending);
    // A refresh without reset makes only what is pending.
    const int made = cache->made;
    list.Refresh(false);
    ASSERT_TRUE(WaitFor([&] { return AllSettled(list); }));
    EXPECT_EQ(cache->made, made + 1);

    list.Clear();
    EXPECT_EQ(list.count(), 0);
    EXPECT_TRUE(NoWorkerLeft());
}

TEST(CtrlPicList, CachedThumbnailsComeFirstThenEveryItemInOrder) {
    auto cache = std::make_shared<CNamedThumbCache>();
    cache->broken = {"d.png"};
    ASSERT_TRUE(cache->GetThumbnail("a.jpg"));
    ASSERT_TRUE(cache->GetThumbnail("c.jpg"));
    CCtrlPicList list(cache);
    // A text on disk is told by its content; the other names exist only in
    // the fake cache.
    CTempDir dir;
    const std::string text = dir.WriteFile("e.txt", "not a picture");
    for (const std::string name : {"a.jpg", "b.jpg", "c.jpg", "d.png", "", text.c_str()})
        list.AddPicture(name);
    std::vector<int> order;
    QObject::connect(&list, &CCtrlPicList::ThumbnailSet, [&](int i) { order.push_back(i); });
    list.Refresh(true);
    ASSERT_TRUE(WaitFor([&] { return order.size() == 8; }));
    QTest::qWait(50);
    EXPECT_EQ(order, (std::vector<int>{0, 2, 0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(list.GetImageIndex(1), CCtrlPicList::kImageThumb);
    EXPECT_EQ(list.GetImageIndex(3), CCtrlPicList::kImageFailed); // cannot be decoded
    EXPECT_EQ(list.GetImageIndex(4), CCtrlPicList::kImageFailed); // no path
    EXPECT_EQ(list.GetImageIndex(5), CCtrlPicList::kImageFailed); // not a picture
}

TEST(CtrlPicList, ATextFileGetsTheFailureImageWithoutAnyDecoding) {
    CTempDir dir;
    const std::string notes = dir.WriteFile("notes.txt", "hello");
    auto cache = std::make_shared<CCountingThumbCache>();
    CCtrlPicList list(cache);
    list.AddPicture(notes);
    std::vector<int> order;
    QObject::connect(&list, &CCtrlPicList::ThumbnailSet, [&](int i) { order.push_back(i); });
    list.Refresh(false);
    ASSERT_TRUE(WaitFor([&] { return AllSettled(list); }));
    ASSERT_TRUE(list.GetThumbMgr().Stop(0));
    QTest::qWait(20);
    // Nothing in pass 0, the failure image in pass 1; the cache never asked.
    EXPECT_EQ(order, std::vector<int>{0});
    EXPECT_EQ(list.GetImageIndex(0), CCtrlPicList::kImageFailed);
    EXPECT_EQ(cache->keys, 0);
    EXPECT_EQ(cache->made, 0);
}

TEST(CtrlPicList, AThumbnailMadeForAReplacedPathIsNotShown) {
    auto cache = std::make_shared<CNamedThumbCache>();
    cache->held = {"old.jpg"};
    CCtrlPicList list(cache);
    list.AddPicture("old.jpg");
    list.Refresh(false);
    ASSERT_TRUE(WaitFor([&] { return cache->gate.Arrived() == 1; }));
    ASSERT_TRUE(list.SetPicture("new.jpg", 0));
    cache->gate.Open();
    ASSERT_TRUE(WaitFor([&] { return cache->made == 1; }));
    QTest::qWait(100); // the worker's delivery for old.jpg arrives and is dropped
    EXPECT_EQ(list.GetImageIndex(0), CCtrlPicList::kImagePending);
    list.Refresh(false);
    ASSERT_TRUE(WaitFor([&] { return AllSettled(list); }));
    EXPECT_EQ(list.GetImageIndex(0), CCtrlPicList::kImageThumb);
}

TEST(CtrlPicList, AWorkerPastTheStopTimeoutHoldsNoCacheLockAndPostsNothing) {
    auto cache = std::make_shared<CNamedThumbCache>();
    cache->held = {"b.jpg"};
    ASSERT_TRUE(cache->GetThumbnail("a.jpg"));
    int delivered = 0;
    {
        CCtrlPicList list(cache);
        for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
            list.AddPicture(name);
        QObject::connect(&list, &CCtrlPicList::ThumbnailSet, [&](int) { ++delivered; });
        list.Refresh(false);
        // Pass 1 is making b.jpg and will not stop until the gate opens.
        ASSERT_TRUE(WaitFor([&] { return cache->gate.Arrived() == 1 && delivered == 2; }));
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(list.GetThumbMgr().Stop(50));
        const auto waited = std::chrono::steady_clock::now() - start;
        EXPECT_GE(waited, 140ms);
        EXPECT_LT(waited, 2s);
        EXPECT_FALSE(list.GetThumbMgr().IsRunning());
        EXPECT_EQ(CExtThumbMgr::GetLiveWorkers(), 1);

        // Every cache operation goes through at once, from any thread.
        auto other = std::async(std::launch::async, [&] {
            cache->Insert("z.jpg", cache->MakeValue("z.jpg"));
            return cache->GetCachedThumbnail("a.jpg") != nullptr && cache->Find("z.jpg");
        });
        const bool free = other.wait_for(2s) == std::future_status::ready;
        if (!free)
            cache->gate.Open(); // let the test end
        ASSERT_TRUE(free);
        EXPECT_TRUE(other.get());
        EXPECT_TRUE(cache->GetThumbnail("c.jpg"));
        cache->Clear();
        EXPECT_EQ(cache->GetCount(), 0u);
        // a.jpg was cached, so pass 0 showed it and pass 1 showed it again.
        EXPECT_EQ(delivered, 2);
    } // the list goes while its old worker still waits
    cache->gate.Open();
    ASSERT_TRUE(NoWorkerLeft());
    QTest::qWait(20);
    EXPECT_EQ(delivered, 2);
    // The worker finished b.jpg, saw the stop and made nothing more.
    EXPECT_FALSE(cache->Find("c.jpg"));
}

TEST(CtrlPicList, DestroyingTheListWhileItsWorkerRunsTouchesNothingFreed) {
    // A worker that is busy delivering: the list stops it within the timeout.
    {
        auto cache = std::make_shared<CNamedThumbCache>();
        auto* list = new CCtrlPicList(cache);
        for (int i = 0; i < 400; ++i)
            list->AddPicture("p" + std::to_string(i) + ".jpg");
        int delivered = 0;
        QObject::connect(list, &CCtrlPicList::ThumbnailSet, [&](int) { ++delivered; });
        list->Refresh(false);
        ASSERT_TRUE(WaitFor([&] { return delivered >= 5; }));
        delete list;
        EXPECT_EQ(CExtThumbMgr::GetLiveWorkers(), 0);
        QTest::qWait(50); // deliveries still queued went with the list
    }
    // A worker stuck past the timeout: the list leaves it behind, and it
    // neither posts to the list nor touches it once it wakes.
    {
        auto cache = std::make_shared<CNamedThumbCache>();
        cache->held = {"p3.jpg"};
        auto* list = new CCtrlPicList(cache);
        for (int i = 0; i < 10; ++i)
            list->AddPicture("p" + std::to_string(i) + ".jpg");
        list->Refresh(false);
        ASSERT_TRUE(WaitFor([&] { return cache->gate.Arrived() == 1; }));
        delete list; // waits its 1100 ms, then goes
        EXPECT_EQ(CExtThumbMgr::GetLiveWorkers(), 1);
        cache->gate.Open();
        ASSERT_TRUE(NoWorkerLeft());
        QTest::qWait(50);
        EXPECT_EQ(cache->made, 4);
    }
}

TEST(CtrlPicList, BadTemplatePicturesAndVanishedReplacementsShowTheFailureImage) {
    CTempDir dir;
    CFakePackage package;
    package.files["Files\\good.jpg"] = JpegBytes(QuadrantImage(320, 240));
    package.files["Files\\broken.jpg"] = "\xFF\xD8\xFF garbage";
    const std::string mine = dir.WriteFile("mine.jpg", JpegBytes(QuadrantImage(120, 90)));
    auto cache = std::make_shared<CProjTmplThumbCache>(&package);
    CCtrlPicList list(cache);
    list.AddPicture("Files\\good.jpg");
    list.AddPicture("Files\\broken.jpg");
    list.AddPicture("Files\\gone.jpg");
    list.AddPicture(mine);
    list.Refresh(false);
    ASSERT_TRUE(WaitFor([&] { return AllSettled(list); }));
    EXPECT_EQ(list.GetImageIndex(0), CCtrlPicList::kImageThumb);
    EXPECT_EQ(list.GetImageIndex(1), CCtrlPicList::kImageFailed);
    EXPECT_EQ(list.GetImageIndex(2), CCtrlPicList::kImageFailed);
    EXPECT_EQ(list.GetImageIndex(3), CCtrlPicList::kImageThumb);

    // The user's picture disappears after its thumbnail was made.
    std::filesystem::remove(mine);
    SClipOptions clip;
    clip.width = 160;
    clip.height = 90;
    ASSERT_TRUE(WriteClip(dir / "clip.mpg", clip));
    list.AddPicture(dir / "clip.mpg");
    list.Refresh(true);
    ASSERT_TRUE(WaitFor([&] { return AllSettled(list); }));
    EXPECT_EQ(list.GetImageIndex(0), CCtrlPicList::kImageThumb);
    EXPECT_EQ(list.GetImageIndex(3), CCtrlPicList::kImageFailed);
    EXPECT_EQ(list.GetImageIndex(4), CCtrlPicList::kImageThumb);
    if (kScreenshots) {
        list.resize(600, 130);
        list.setCurrentRow(1);
        std::filesystem::create_directories(KV_SCREENSHOTS);
        EXPECT_TRUE(list.grab().toImage().save(KV_SCREENSHOTS "/piclist-failures.png"));
    }
    cache->SetTemplate(nullptr);
}

TEST(CtrlPicList, DemoTemplateScreenshot) {
    if (!kScreenshots)
        GTEST_SKIP() << "no painting under the thread sanitizer";
    CProjTmpl tmpl;
    ASSERT_TRUE(tmpl.Load(KV_DEMO)) << tmpl.GetError();
    const std::vector<std::string> pictures = tmpl.ListTemplatePictures(false);
    ASSERT_FALSE(pictures.empty());
    auto cache = std::make_shared<CProjTmplThumbCache>(&tmpl);
    {
        CCtrlPicList list(cache);
        list.resize(560, 250);
        for (const std::string& path : pictures)
            list.AddPicture(path);
        list.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
        list.Refresh(true);
        ASSERT_TRUE(WaitFor([&] { return AllSettled(list); }, 30000));
        for (int i = 0; i < list.count(); ++i)
            EXPECT_EQ(list.GetImageIndex(i), CCtrlPicList::kImageThumb) << pictures[std::size_t(i)];
        list.setCurrentRow(1);
        QTest::qWait(50);
        const QImage shot = list.grab().toImage();
        std::filesystem::create_directories(KV_SCREENSHOTS);
        ASSERT_TRUE(shot.save(KV_SCREENSHOTS "/piclist-demo.png"));
        // The thumbnail of the first picture is not a placeholder.
        const QImage first = list.item(0)->icon().pixmap(96, 96).toImage();
        EXPECT_TRUE(first != CCtrlPicList::MakePlaceholder(CCtrlPicList::kImagePending, 96)
                                 .convertToFormat(first.format()));
    }
    cache->SetTemplate(nullptr);
}
