#include "project/Album.h"
#include "project/AlbumGrp.h"
#include "project/Image.h"
#include "project/MainDoc.h"
#include "project/ProjTmpl.h"
#include "project/ProjectWriter.h"
#include "project/Slide.h"
#include "project/TemplateWriter.h"
#include "project/ZipReader.h"
#include "project/ZipWriter.h"
#include "project/TextCaption.h"
#include "base/MediaWarnings.h"
#include "tests/support/FakeMediaProbe.h"
#include "tests/support/MediaMaker.h"
#include "tests/support/SoundWriter.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <sys/stat.h>
#include <thread>

namespace fs = std::filesystem;

namespace {

// A template with two picture slides, a slide sound, album music and a
// background picture, made from files in a temporary folder. Pictures and the
// sound are real: what a packaged file is comes from its content.
class TemplatePackage : public testing::Test {
protected:
    void SetUp() override {
        CMainDoc doc;
        CAlbum* album = doc.GetProject().AddGroup(std::make_unique<CAlbumGrp>())->AddAlbum(
            std::make_unique<CAlbum>());
        album->m_name = "T";
        CSlide first;
        first.AddItem(CImage(m_media.WriteFile("a.jpg", JpegBytes(QuadrantImage(16, 12)))));
        first.m_backgroundPicture = m_media.WriteFile("bg.png", PngBytes(QuadrantImage(8, 8), false));
        CSlide second;
        second.AddItem(CImage(m_media.WriteFile("sub/b.JPG", m_b)));
        second.AddItem(CImage(m_media / "a.jpg")); // the same file again
        ASSERT_TRUE(SoundWriter::Write(m_media / "s.wav", "pcm_s16le", 8000, 1,
                                       SoundWriter::Sine(440, 0.1, 8000, 1)));
        m_sound = ReadWholeFile(m_media / "s.wav");
        second.m_sound.SetFile(m_media / "s.wav");
        album->AddSlide(first);
        album->AddSlide(second);
        album->m_music.emplace_back(m_media.WriteFile("m.mp3", "music"));
        std::string error;
        ASSERT_TRUE(CTemplateWriter::Write(doc, m_path, error)) << error;
    }

    CTempDir m_media;
    CTempDir m_out;
    std::string m_path = m_out / "tmpl.vez";
    std::string m_b = JpegBytes(QuadrantImage(24, 16), {.grey = true});
    std::string m_sound;
};

// Writes a package with the given entries.
std::string MakeZip(const CTempDir& dir, const std::vector<std::pair<std::string, std::string>>& entries) {
    std::string path = dir / "custom.vez";
    CZipWriter zip;
    EXPECT_TRUE(zip.Create(path));
    for (const auto& [name, data] : entries)
        EXPECT_TRUE(zip.Add(name, data));
    EXPECT_TRUE(zip.Close());
    return path;
}

std::string StreamOf(CMainDoc& doc) { return CProjectWriter::Write(doc, true); }

std::string OneSlideStream(const std::vector<std::string>& files) {
    CMainDoc doc;
    CAlbum* album = doc.GetProject().AddGroup(std::make_unique<CAlbumGrp>())->AddAlbum(
        std::make_unique<CAlbum>());
    CSlide slide;
    for (const auto& file : files)
        slide.AddItem(CImage(file));
    album->AddSlide(slide);
    return StreamOf(doc);
}

} // namespace

TEST_F(TemplatePackage, LoadsTheFirstAlbumWithEntryPaths) {
    CProjTmpl tmpl;
    ASSERT_TRUE(tmpl.Load(m_path)) << tmpl.GetError();
    EXPECT_TRUE(tmpl.IsLoaded());
    // Packaged paths name archive entries; music that cannot be opened while
    // the stream is read (its packaged path names no file) is gone.
    EXPECT_EQ(tmpl.ListTemplateFiles(false),
              (std::vector<std::string>{"files\\a.jpg", "files\\bg.png", "files\\b.jpg",
                                        "files\\s.wav"}));
    EXPECT_TRUE(tmpl.GetTemplateAlbum()->m_music.empty());
    EXPECT_EQ(tmpl.GetTemplateAlbum()->GetGroup(), nullptr);
    EXPECT_EQ(tmpl.ListTemplatePictures(false).size(), 3u);

    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(tmpl.LoadAsset("files\\b.jpg", bytes));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), m_b);
    EXPECT_TRUE(tmpl.LoadAsset("FILES/A.JPG", bytes));
    EXPECT_FALSE(tmpl.LoadAsset("files\\nothere.jpg", bytes));
    EXPECT_TRUE(bytes.empty());
}

TEST_F(TemplatePackage, ReplacementsListAndApply) {
    CProjTmpl tmpl;
    ASSERT_TRUE(tmpl.Load(m_path));
    tmpl.SetReplacement("files\\a.jpg", "/home/u/mine.jpg");
    EXPECT_EQ(tmpl.GetReplacement("FILES\\A.JPG"), "/home/u/mine.jpg");
    EXPECT_EQ(tmpl.ListTemplatePictures(true)[0], "/home/u/mine.jpg");
    EXPECT_EQ(tmpl.ListTemplatePictures(false)[0], "files\\a.jpg");

    CAlbumGrp group;
    CAlbum target;
    target.SetGroup(&group);
    tmpl.ApplyTo(target, true);
    EXPECT_EQ(target.GetGroup(), &group);
    ASSERT_EQ(target.GetSlideCount(), 2);
    EXPECT_EQ(target.GetSlide(0)->GetItem(0)->m_file, "/home/u/mine.jpg");
    EXPECT_EQ(target.GetSlide(1)->GetItem(1)->m_file, "/home/u/mine.jpg");
    EXPECT_EQ(target.GetSlide(1)->GetItem(0)->m_file, "files\\b.jpg");
    // The sound now plays from an extracted copy.
    std::string sound = target.GetSlide(1)->m_sound.GetPath();
    EXPECT_EQ(ReadWholeFile(sound), m_sound);
    EXPECT_EQ(fs::path(sound).parent_path().string(), tmpl.GetTempFolder());

    // Removing the replacement restores the template's picture on the next apply.
    tmpl.SetReplacement("files\\a.jpg", "");
    tmpl.ApplyTo(target, false);
    EXPECT_EQ(target.GetSlide(0)->GetItem(0)->m_file, "files\\a.jpg");
    EXPECT_EQ(target.GetSlide(1)->m_sound.GetPath(), "files\\s.wav");
}

TEST_F(TemplatePackage, ExtractionUsesAPrivateFolderRemovedOnUnload) {
    CProjTmpl tmpl;
    ASSERT_TRUE(tmpl.Load(m_path));
    std::string path = tmpl.ExtractToTemp("Files\\s.wav");
    ASSERT_FALSE(path.empty());
    struct stat first {};
    ASSERT_EQ(stat(path.c_str(), &first), 0);
    struct stat folder {};
    ASSERT_EQ(stat(tmpl.GetTempFolder().c_str(), &folder), 0);
    EXPECT_EQ(folder.st_mode & 0777, 0700u);
    // Extracting again gives the same file without writing it anew.
    fs::remove(path);
    EXPECT_EQ(tmpl.ExtractToTemp("files/S.WAV"), path);
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(tmpl.ExtractToTemp("Files/none.wav"), "");

    std::string temp = tmpl.GetTempFolder();
    tmpl.ExtractToTemp("Files/m.mp3");
    tmpl.Unload();
    EXPECT_FALSE(fs::exists(temp));
    EXPECT_FALSE(tmpl.IsLoaded());
    EXPECT_EQ(tmpl.ExtractToTemp("Files/m.mp3"), "");
}

TEST(TemplatePackageFailures, BrokenPackagesFailToLoad) {
    CTempDir dir;
    CProjTmpl tmpl;
    EXPECT_FALSE(tmpl.Load(""));
    EXPECT_FALSE(tmpl.Load(dir / "missing.vez"));
    EXPECT_FALSE(tmpl.Load(dir.WriteFile("text.vez", "not a zip at all")));
    EXPECT_FALSE(tmpl.Load(MakeZip(dir, {{"a.txt", "x"}})));
    EXPECT_NE(tmpl.GetError().find("no project"), std::string::npos) << tmpl.GetError();
    // An empty project entry does not count; a broken one fails the load.
    EXPECT_FALSE(tmpl.Load(MakeZip(dir, {{"p.kvs", ""}})));
    EXPECT_FALSE(tmpl.Load(MakeZip(dir, {{"p.kvs", "\xBA\xBE\xFA\xCE"}})));
    // A project without albums.
    CMainDoc empty;
    EXPECT_FALSE(tmpl.Load(MakeZip(dir, {{"p.KVS", StreamOf(empty)}})));
    EXPECT_NE(tmpl.GetError().find("no album"), std::string::npos) << tmpl.GetError();
    EXPECT_FALSE(tmpl.IsLoaded());
    // The first project entry with data is used.
    EXPECT_TRUE(tmpl.Load(MakeZip(dir, {{"e.kvs", ""}, {"p.kvs", OneSlideStream({"x.jpg"})},
                                        {"q.kvs", "junk"}})))
        << tmpl.GetError();
}

TEST(TemplatePackageFailures, EntryNamesNeverLeaveTheTemporaryFolder) {
    CTempDir dir;
    std::string stream = OneSlideStream({"C:\\a.jpg"});
    std::string path = MakeZip(dir, {{"p.kvs", stream},
                                     {"../../evil.mp3", "1"},
                                     {"/tmp/abs.mp3", "2"},
                                     {"Files/a.mp3", "3"},
                                     {"Music/a.mp3", "4"},
                                     {"Files/..", "5"}});
    CProjTmpl tmpl;
    ASSERT_TRUE(tmpl.Load(path)) << tmpl.GetError();
    std::vector<std::string> extracted;
    for (const char* name : {"../../evil.mp3", "/tmp/abs.mp3", "Files/a.mp3", "Music/a.mp3",
                             "Files/.."})
        extracted.push_back(tmpl.ExtractToTemp(name));
    std::string folder = tmpl.GetTempFolder();
    for (const std::string& file : extracted) {
        ASSERT_FALSE(file.empty());
        EXPECT_EQ(fs::path(file).parent_path().string(), folder) << file;
    }
    // Two entries of one file name keep their own contents.
    EXPECT_NE(extracted[2], extracted[3]);
    EXPECT_EQ(ReadWholeFile(extracted[2]), "3");
    EXPECT_EQ(ReadWholeFile(extracted[3]), "4");
    EXPECT_FALSE(fs::exists(dir / "evil.mp3"));
}

TEST(TemplatePackageFailures, DeclaredSizesThatLieAreRejected) {
    CTempDir dir;
    std::string path = MakeZip(dir, {{"p.kvs", OneSlideStream({"C:\\a.jpg"})},
                                     {"Files/a.jpg", std::string(1000, 'a')}});
    // Patch the central directory's uncompressed size of the picture entry.
    std::string bytes = ReadWholeFile(path);
    std::size_t central = bytes.rfind(std::string("PK\x01\x02", 4));
    ASSERT_NE(central, std::string::npos);
    auto patch = [&](std::uint32_t size) {
        std::string copy = bytes;
        for (int i = 0; i < 4; ++i)
            copy[central + 24 + i] = char(size >> (8 * i));
        return dir.WriteFile("patched.vez", copy);
    };
    for (std::uint32_t size : {999u, 1001u, 0xFFFFFFF0u}) {
        CProjTmpl tmpl;
        ASSERT_TRUE(tmpl.Load(patch(size))) << tmpl.GetError();
        std::vector<std::uint8_t> data;
        EXPECT_FALSE(tmpl.LoadAsset("Files\\a.jpg", data)) << size;
        EXPECT_TRUE(data.empty());
        EXPECT_EQ(tmpl.ExtractToTemp("Files/a.jpg"), "") << size;
    }
}

TEST(TemplatePackageFailures, OnlyTheExactPackagePrefixIsShortened) {
    // A stream written without package form keeps its paths as they were; a
    // lower-case drive letter is not the package prefix.
    CMainDoc doc;
    CAlbum* album = doc.GetProject().AddGroup(std::make_unique<CAlbumGrp>())->AddAlbum(
        std::make_unique<CAlbum>());
    CSlide slide;
    slide.AddItem(CImage("z:\\Files\\a.jpg"));
    slide.AddItem(CImage("Z:\\Files\\b.jpg"));
    album->AddSlide(slide);
    CTempDir dir;
    CProjTmpl tmpl;
    ASSERT_TRUE(tmpl.Load(MakeZip(dir, {{"p.kvs", CProjectWriter::Write(doc, false)}})));
    EXPECT_EQ(tmpl.ListTemplateFiles(false),
              (std::vector<std::string>{"z:\\Files\\a.jpg", "Files\\b.jpg"}));
}

TEST_F(TemplatePackage, AssetsCanBeLoadedFromSeveralThreads) {
    CProjTmpl tmpl;
    ASSERT_TRUE(tmpl.Load(m_path));
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 50; ++i) {
                std::vector<std::uint8_t> data;
                if (!tmpl.LoadAsset(t % 2 ? "files\\a.jpg" : "files\\b.jpg", data))
                    ++failures;
                if (tmpl.ExtractToTemp("Files/s.wav").empty())
                    ++failures;
            }
        });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(failures.load(), 0);
}

namespace {

// Collects what CMediaWarnings reports while it lives.
struct SWarnings {
    std::vector<std::pair<std::string, std::string>> list;
    CMediaWarnings::CScope scope{[this](const std::string& file, const std::string& why) {
        list.emplace_back(file, why);
    }};
    [[nodiscard]] std::string ReasonFor(const std::string& file) const {
        for (const auto& [f, why] : list)
            if (f == file)
                return why;
        return "(not reported)";
    }
};

} // namespace

TEST(TemplatePackageFailures, ATemplateUsesOnlyItsOwnFiles) {
    CTempDir dir;
    // A file of the user's that a hostile template names by its host path.
    std::string host = dir.WriteFile("private.png", "user data");
    CMainDoc doc;
    CSlide hostile;
    for (const std::string& file : {host, std::string("Z:\\Files\\..\\..\\x.jpg"),
                                    std::string("Z:\\Files\\gone.jpg"),
                                    std::string("Z:\\Files\\ok.jpg"),
                                    std::string("Z:\\Files\\empty.jpg")})
        hostile.AddItem(CImage(file));
    // And a sound of the user's: it must not be opened, not even to be probed.
    std::string hostSound = dir.WriteFile("private.wav", "user sound");
    hostile.m_sound.SetFile(hostSound);
    doc.GetProject().AddGroup(std::make_unique<CAlbumGrp>())->AddAlbum(std::make_unique<CAlbum>())
        ->AddSlide(hostile);
    // Written as it stands, not in package form, which would rename every file.
    std::string path = MakeZip(dir, {{"p.kvs", CProjectWriter::Write(doc, false)},
                                     {"Files/ok.jpg", JpegBytes(QuadrantImage(8, 8))},
                                     {"Files/empty.jpg", ""}});
    CFakeMediaProbe probe;
    probe.AddSound(hostSound, 3.0);
    probe.AddPicture(host, 8, 8);
    CProjTmpl tmpl;
    ASSERT_TRUE(tmpl.Load(path)) << tmpl.GetError();
    // The pictures stay listed and numbered, so the user can replace them.
    EXPECT_EQ(tmpl.ListTemplatePictures(false).size(), 5u);
    SWarnings warnings;
    CAlbum album;
    tmpl.ApplyTo(album, true);
    for (const std::string& asked : probe.m_asked) {
        EXPECT_NE(asked, hostSound);
        EXPECT_NE(asked, host);
    }
    EXPECT_EQ(album.GetSlide(0)->m_sound.GetPath(), "");
    const CSlide& slide = *album.GetSlide(0);
    EXPECT_EQ(slide.GetItem(0)->m_file, "");
    EXPECT_EQ(slide.GetItem(1)->m_file, "");
    EXPECT_EQ(slide.GetItem(2)->m_file, "");
    EXPECT_EQ(slide.GetItem(3)->m_file, "Files\\ok.jpg");
    EXPECT_EQ(slide.GetItem(4)->m_file, "");
    EXPECT_NE(warnings.ReasonFor(host).find("outside the template package"), std::string::npos);
    EXPECT_NE(warnings.ReasonFor("Files\\..\\..\\x.jpg").find("outside"), std::string::npos);
    EXPECT_EQ(warnings.ReasonFor("Files\\gone.jpg"), "is not in the template package");
    EXPECT_EQ(warnings.ReasonFor("Files\\empty.jpg"), "is empty in the template package");
    EXPECT_NE(warnings.ReasonFor(hostSound).find("outside the template package"), std::string::npos);
    EXPECT_EQ(warnings.list.size(), 5u);

    // A replacement is the user's own choice and is used as it is.
    tmpl.SetReplacement(host, "/home/u/mine.jpg");
    tmpl.ApplyTo(album, true);
    EXPECT_EQ(album.GetSlide(0)->GetItem(0)->m_file, "/home/u/mine.jpg");
}

TEST(TemplatePackageFailures, ExtractionIsCappedPerFileInAllAndByFreeSpace) {
    CTempDir dir;
    // The album plays the .wav entries as sounds, so the sound cap applies
    // to them; the clip is shown.
    CMainDoc doc;
    CAlbum* album = doc.GetProject().AddGroup(std::make_unique<CAlbumGrp>())->AddAlbum(
        std::make_unique<CAlbum>());
    for (const char* sound : {"a", "b", "d", "e"}) {
        CSlide slide;
        slide.AddItem(CImage("Files\\c.mp4"));
        slide.m_sound.SetFile("Files\\" + std::string(sound) + ".wav");
        album->AddSlide(slide);
    }
    std::string path = MakeZip(dir, {{"p.kvs", CProjectWriter::Write(doc, false)},
                                     {"Files/a.wav", std::string(1000, 'a')},
                                     {"Files/b.wav", std::string(1000, 'b')},
                                     {"Files/c.mp4", std::string(3000, 'c')},
                                     {"Files/d.wav", std::string(1200, 'd')},
                                     {"Files/e.wav", std::string(1600, 'e')}});
    CProjTmpl tmpl;
    ASSERT_TRUE(tmpl.Load(path)) << tmpl.GetError();
    tmpl.SetExtractLimits({1500, 2500, 2500, 0});
    std::string why;
    EXPECT_FALSE(tmpl.ExtractToTemp("Files/a.wav", &why).empty()) << why;
    EXPECT_EQ(tmpl.ExtractToTemp("Files/c.mp4", &why), "");
    EXPECT_NE(why.find("larger than the 1 MB a packaged clip may take"), std::string::npos) << why;
    EXPECT_EQ(tmpl.ExtractToTemp("Files/e.wav", &why), "");
    EXPECT_NE(why.find("a packaged sound may take"), std::string::npos) << why;
    EXPECT_FALSE(tmpl.ExtractToTemp("Files/b.wav", &why).empty()) << why;
    // 2000 bytes are out; 1200 more would pass the 2500 of the template.
    EXPECT_EQ(tmpl.ExtractToTemp("Files/d.wav", &why), "");
    EXPECT_NE(why.find("that one template may extract"), std::string::npos) << why;

    // Never the last of the disk: a reserve larger than any disk refuses all.
    tmpl.SetExtractLimits({1500, 2500, 1 << 20, 1ull << 62});
    EXPECT_EQ(tmpl.ExtractToTemp("Files/d.wav", &why), "");
    EXPECT_NE(why.find("MB free"), std::string::npos) << why;
    EXPECT_EQ(std::distance(fs::directory_iterator(tmpl.GetTempFolder()), fs::directory_iterator()),
              2);
}

TEST_F(TemplatePackage, ASoundThatCannotBeExtractedIsMissingAndReported) {
    CProjTmpl tmpl;
    ASSERT_TRUE(tmpl.Load(m_path));
    tmpl.SetExtractLimits({4, 4, 4, 0});
    SWarnings warnings;
    CAlbum album;
    tmpl.ApplyTo(album, true);
    EXPECT_EQ(album.GetSlide(1)->m_sound.GetPath(), "");
    EXPECT_NE(warnings.ReasonFor("files\\s.wav").find("larger than"), std::string::npos);
}

TEST(TemplatePackageFailures, AbsurdTimesFailTheLoad) {
    auto stream = [](auto change) {
        CMainDoc doc;
        CAlbum* album = doc.GetProject().AddGroup(std::make_unique<CAlbumGrp>())->AddAlbum(
            std::make_unique<CAlbum>());
        CSlide slide;
        slide.AddItem(CImage("Files\\a.jpg"));
        album->AddSlide(slide);
        album->AddSlide(slide);
        change(*album);
        return StreamOf(doc);
    };
    CTempDir dir;
    struct SCase {
        const char* what;
        std::function<void(CAlbum&)> change;
    };
    const SCase cases[] = {
        {"display time", [](CAlbum& a) { a.GetSlide(0)->m_displayTime = 1e308; }},
        {"transition", [](CAlbum& a) { a.GetSlide(1)->m_transitionLength = std::nan(""); }},
        {"closing transition", [](CAlbum& a) { a.m_transitionLength = 86000001; }},
        {"display time", [](CAlbum& a) { a.GetSlide(1)->m_displayTime = -3; }},
        {"caption's start", [](CAlbum& a) {
             CTextCaption caption;
             caption.m_start = -1e300;
             a.GetSlide(0)->AddCaption(caption);
         }},
        {"lasts", [](CAlbum& a) {
             a.GetSlide(0)->m_displayTime = 50000;
             a.GetSlide(1)->m_displayTime = 50000;
         }},
    };
    for (const SCase& c : cases) {
        CProjTmpl tmpl;
        EXPECT_FALSE(tmpl.Load(MakeZip(dir, {{"p.kvs", stream(c.change)}}))) << c.what;
        EXPECT_NE(tmpl.GetError().find(c.what), std::string::npos) << tmpl.GetError();
    }
    // A day exactly is still an album.
    CProjTmpl tmpl;
    EXPECT_TRUE(tmpl.Load(MakeZip(dir, {{"p.kvs", stream([](CAlbum& a) {
                                             a.GetSlide(0)->m_displayTime = 40000;
                                             a.GetSlide(0)->m_transitionLength = 0;
                                             a.GetSlide(1)->m_displayTime = 40000;
                                             a.GetSlide(1)->m_transitionLength = 0;
                                             a.m_transitionLength = 6400;
                                         })}})))
        << tmpl.GetError();
}
