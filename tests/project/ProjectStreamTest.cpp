#include "base/Settings.h"
#include "project/Album.h"
#include "project/AlbumGrp.h"
#include "project/ArchiveException.h"
#include "project/ArchiveReader.h"
#include "project/ArchiveWriter.h"
#include "project/Image.h"
#include "project/ImageSamp.h"
#include "project/MainDoc.h"
#include "project/ProjectReader.h"
#include "project/ProjectWriter.h"
#include "project/Slide.h"
#include "project/Video.h"
#include "tests/support/FakeMediaProbe.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace {

// A document that uses every part of the format.
void FillRichDocument(CMainDoc& doc) {
    CProject& project = doc.GetProject();
    project.SetSubtitleColor(0x123456);
    project.SetSubtitleEdgeColor(0x654321);
    project.GetBurnInfo().m_folder = "C:\\Burn\\";
    CAlbumGrp* group = project.AddGroup(std::make_unique<CAlbumGrp>());
    group->m_name = "Holidays";
    group->m_customTitleFlag = 1;
    group->m_customTitle = "Our holidays \u20ac";
    group->m_picture = "C:\\Pics\\group.jpg";
    CAlbum* album = group->AddAlbum(std::make_unique<CAlbum>());
    album->m_name = "Summer";
    album->m_transitionName = "Wipe Plugin";
    album->m_transitionLength = 1.25;
    album->m_musicFlags = CAlbum::kMusicRepeat | CAlbum::kMusicFade;
    album->m_musicFadeIn = 2;
    album->SetMusicVolume(70);
    album->m_music.emplace_back(); // an empty entry survives reading

    CSlide slide;
    slide.SetTransitionName("Circle Plugin");
    slide.m_transitionValues = {{"Direction", 1}};
    slide.m_layoutName = "Float Two";
    slide.m_layoutValues = {{"BkgFade", 1}, {"Radius", 3}};
    slide.m_randomSeed = 4242;
    slide.m_displayTime = 3.5;
    slide.m_backgroundMode = CSlide::kBackgroundFill;
    slide.m_backgroundPicture = "C:\\Pics\\bg.png";
    slide.m_soundDelay = 0.5;
    slide.m_soundToAlbumEnd = 1;
    slide.m_musicLevel = 0.3;
    slide.m_subtitle.m_text = "Sub \u00e9";
    slide.m_subtitle.SetOwnColors(1, 2, 3);
    slide.m_sound.SetFile("C:\\Snd\\s.wav");
    slide.m_sound.m_fadeIn = 0.75;
    CImage image("C:\\Pics\\a.jpg");
    image.m_rotation = 3;
    image.m_mirrorV = 1;
    image.m_cropX = 0.1;
    image.m_cropWidth = 0.5;
    image.m_autoLevels = 1;
    image.m_reserved1 = 7.5;
    CKeyFrame key;
    key.m_time = 0.5;
    key.m_scale = 1.5;
    key.m_easing = CKeyFrame::kEaseOut;
    key.m_extra = 9;
    image.AddKeyFrame(key);
    auto embedded = std::make_unique<CSlide>();
    embedded->AddItem(CImageSamp("C:\\Pics\\inner.jpg"));
    image.SetEmbeddedSlide(std::move(embedded));
    slide.AddItem(image);
    CVideo clip("C:\\Clips\\v.mp4");
    clip.m_playLength = 4;
    slide.AddItem(clip);
    slide.SetMainVideo(std::make_unique<CVideo>("C:\\Clips\\v.mp4"));
    CTextCaption caption;
    caption.m_text.m_text = "Hello \u4e16\u754c"; // not Windows-1252: written wide
    caption.m_effect = "Typewrite";
    caption.m_x = -0.25;
    slide.AddCaption(caption);
    album->AddSlide(slide);

    // A DVD menu whose second page is linked from an item of the first.
    CProjMenu& menu = project.GetMenu();
    menu.m_value = 5;
    menu.m_second = 2;
    menu.m_pages.push_back(std::make_unique<CProjMenuPage>());
    menu.m_pages.push_back(std::make_unique<CProjMenuPage>());
    menu.m_pages[1]->m_title = "second";
    auto entry = std::make_unique<CProjMenuPageItem>();
    entry->m_link = menu.m_pages[1].get();
    entry->m_label.m_text = "go";
    menu.m_pages[0]->m_items.push_back(std::move(entry));
    // And the second page links back to the first, which was read earlier.
    auto back = std::make_unique<CProjMenuPageItem>();
    back->m_link = menu.m_pages[0].get();
    menu.m_pages[1]->m_items.push_back(std::move(back));
}

CProjectReader::EResult ReadBytes(CMainDoc& doc, const std::string& bytes, std::string& error) {
    return doc.LoadFromMemory(bytes.data(), bytes.size(), error);
}

// The header of a stream of the given version, as old writers wrote it.
CArchiveWriter Header(const char* version) {
    CArchiveWriter ar;
    ar.WriteDword(0xCEFABEBA);
    ar.WriteString(version);
    return ar;
}

} // namespace

TEST(ProjectStream, CurrentVersionRoundTripsByteForByte) {
    CMainDoc doc;
    FillRichDocument(doc);
    std::string first = CProjectWriter::Write(doc, false);

    CMainDoc read;
    std::string error;
    ASSERT_EQ(ReadBytes(read, first, error), CProjectReader::kLoaded) << error;
    EXPECT_EQ(CProjectWriter::Write(read, false), first);

    CProject& project = read.GetProject();
    EXPECT_EQ(read.m_version, 18.0);
    EXPECT_EQ(read.m_packagePaths, 0);
    EXPECT_EQ(project.GetSubtitleColor(), 0x123456);
    CAlbumGrp* group = project.GetGroup(0);
    EXPECT_EQ(group->GetTitle(), "Our holidays \u20ac");
    CAlbum* album = project.GetAlbum(0);
    EXPECT_EQ(album->GetMusicVolume(), 70);
    EXPECT_EQ(album->m_music.size(), 1u);
    CSlide* slide = album->GetSlide(0);
    EXPECT_EQ(slide->GetContainer(), album);
    EXPECT_EQ(slide->m_layoutValues.size(), 2u);
    EXPECT_EQ(slide->GetCaption(0)->m_text.m_text, "Hello \u4e16\u754c");
    EXPECT_EQ(slide->GetItem(1)->GetKind(), CAlbumItem::kVideo);
    ASSERT_NE(slide->GetItem(0)->GetEmbeddedSlide(), nullptr);
    EXPECT_EQ(slide->GetItem(0)->GetEmbeddedSlide()->GetItem(0)->GetKind(), CAlbumItem::kImageSamp);
    EXPECT_EQ(slide->GetItem(0)->GetKeyFrames().size(), 3u);
    EXPECT_EQ(slide->GetItem(0)->GetKeyFrames()[1].m_extra, 9);
    // The subtitle keeps its own colour fields but shows the project's.
    EXPECT_EQ(slide->m_subtitle.GetOwnColor(), 1);
    EXPECT_EQ(slide->m_subtitle.GetColor(), 0x123456);

    // Menu links are back references to the same page objects.
    CProjMenu& menu = project.GetMenu();
    ASSERT_EQ(menu.m_pages.size(), 2u);
    EXPECT_EQ(menu.m_pages[0]->m_items[0]->m_link, menu.m_pages[1].get());
    EXPECT_EQ(menu.m_pages[1]->m_items[0]->m_link, menu.m_pages[0].get());
    EXPECT_TRUE(menu.m_linkedPages.empty());
}

TEST(ProjectStream, VersionStringsTakeEitherDecimalSeparator) {
    EXPECT_EQ(CProjectReader::ParseVersion("18,00"), 18.0);
    EXPECT_EQ(CProjectReader::ParseVersion("18.00"), 18.0);
    EXPECT_EQ(CProjectReader::ParseVersion("9.5"), 9.5);
    EXPECT_EQ(CProjectReader::ParseVersion(""), 0.0);
    EXPECT_EQ(CProjectReader::ParseVersion("x"), 0.0);

    CMainDoc doc;
    FillRichDocument(doc);
    std::string bytes = CProjectWriter::Write(doc, false);
    bytes[5 + 2] = ','; // "18.00" -> "18,00"
    CMainDoc read;
    std::string error;
    EXPECT_EQ(ReadBytes(read, bytes, error), CProjectReader::kLoaded) << error;
}

TEST(ProjectStream, BadHeadersFail) {
    std::string error;
    CMainDoc doc;
    for (const char* version : {"19.00", "0.00", "", "-1"}) {
        CArchiveWriter ar = Header(version);
        ar.WriteString("Z:\\");
        ar.WriteInt(0);
        EXPECT_EQ(ReadBytes(doc, ar.Bytes(), error), CProjectReader::kFailed) << version;
    }
    EXPECT_EQ(ReadBytes(doc, "\x01\x02\x03\x04\x05" "18.00", error), CProjectReader::kFailed);
    EXPECT_EQ(ReadBytes(doc, "", error), CProjectReader::kFailed);
    EXPECT_FALSE(error.empty());
}

TEST(ProjectStream, EveryTruncationFailsCleanly) {
    CMainDoc doc;
    FillRichDocument(doc);
    std::string bytes = CProjectWriter::Write(doc, true);
    for (std::size_t length = 0; length < bytes.size(); ++length) {
        CMainDoc read;
        std::string error;
        ASSERT_EQ(ReadBytes(read, bytes.substr(0, length), error), CProjectReader::kFailed)
            << length;
        // Nothing of the partly read document remains.
        ASSERT_EQ(read.GetProject().GetGroupCount(), 0);
    }
}

TEST(ProjectStream, HostileTagsAndCountsFail) {
    // A project with one group holding one album whose slide list is given raw.
    auto stream = [](const std::function<void(CArchiveWriter&)>& slides) {
        CArchiveWriter ar = Header("18.00");
        ar.WriteString("Z:\\");
        ar.WriteInt(0);
        ar.WriteInt(1);
        ar.WriteInt(-1);
        ar.WriteInt(1);       // groups
        ar.WriteString("g");  // group name
        ar.WriteInt(1);
        ar.WriteInt(-1);
        ar.WriteString("");   // picture
        ar.WriteInt(0);
        ar.WriteString("");
        ar.WriteInt(1);       // albums
        ar.WriteString("a");
        ar.WriteString("Fade Plugin");
        ar.WriteDouble(1);
        ar.WriteInt(0);       // music
        slides(ar);
        return ar.Take();
    };
    auto newClass = [](CArchiveWriter& ar, const std::string& name, std::uint16_t schema = 0) {
        ar.WriteWord(0xFFFF);
        ar.WriteWord(schema);
        ar.WriteWord(std::uint16_t(name.size()));
        for (char c : name)
            ar.WriteByte(std::uint8_t(c));
    };
    struct Case {
        const char* what;
        std::function<void(CArchiveWriter&)> slides;
    } cases[] = {
        {"unknown class", [&](CArchiveWriter& ar) { ar.WriteInt(1); newClass(ar, "CEvil"); }},
        {"caption where a slide belongs",
         [&](CArchiveWriter& ar) { ar.WriteInt(1); newClass(ar, "CTextCaption"); }},
        {"bad schema", [&](CArchiveWriter& ar) { ar.WriteInt(1); newClass(ar, "CSlide", 3); }},
        {"reference to nothing", [&](CArchiveWriter& ar) { ar.WriteInt(1); ar.WriteWord(5); }},
        {"class index used as object",
         [&](CArchiveWriter& ar) { ar.WriteInt(2); newClass(ar, "CSlide"); ar.WriteWord(1); }},
        {"missing slide", [&](CArchiveWriter& ar) { ar.WriteInt(1); ar.WriteWord(0); }},
        {"huge count", [&](CArchiveWriter& ar) { ar.WriteInt(0x7FFFFFFF); }},
        {"negative count", [&](CArchiveWriter& ar) { ar.WriteInt(-1); }},
    };
    for (const auto& c : cases) {
        CMainDoc doc;
        std::string error;
        EXPECT_EQ(ReadBytes(doc, stream(c.slides), error), CProjectReader::kFailed) << c.what;
        EXPECT_FALSE(error.empty()) << c.what;
    }
}

TEST(ProjectStream, SecondReferencesToOwnedObjectsFail) {
    // Two plain slides have identical bodies; replacing the second slide by a
    // reference to the first would give one slide two owners.
    auto write = [](int slides) {
        CMainDoc doc;
        CAlbum* album = doc.GetProject().AddGroup(std::make_unique<CAlbumGrp>())->AddAlbum(
            std::make_unique<CAlbum>());
        CSlide slide;
        slide.m_randomSeed = 1;
        for (int i = 0; i < slides; ++i)
            album->AddSlide(slide);
        return CProjectWriter::Write(doc, false);
    };
    std::string one = write(1), two = write(2);
    const std::string newSlide("\xFF\xFF\x00\x00\x06\x00" "CSlide", 12);
    std::size_t first = two.find(newSlide);
    ASSERT_NE(first, std::string::npos);
    std::size_t body = two.size() - one.size() - 2;
    std::size_t second = first + newSlide.size() + body;
    ASSERT_EQ(two.substr(second, 2), std::string("\x01\x80", 2));
    std::string bytes = two;
    bytes.replace(second, 2 + body, std::string("\x02\x00", 2));
    CMainDoc read;
    std::string error;
    EXPECT_EQ(ReadBytes(read, bytes, error), CProjectReader::kFailed);
    EXPECT_NE(error.find("second reference"), std::string::npos) << error;
    ASSERT_EQ(ReadBytes(read, two, error), CProjectReader::kLoaded) << error;
    EXPECT_EQ(read.GetProject().GetAlbum(0)->GetSlideCount(), 2);
}

TEST(ProjectStream, DeeplyNestedSlidesFail) {
    CMainDoc doc;
    CAlbum* album = doc.GetProject().AddGroup(std::make_unique<CAlbumGrp>())->AddAlbum(
        std::make_unique<CAlbum>());
    auto innermost = std::make_unique<CSlide>();
    for (int depth = 0; depth < 40; ++depth) {
        CImage item("x.jpg");
        item.SetEmbeddedSlide(std::move(innermost));
        innermost = std::make_unique<CSlide>();
        innermost->AddItem(item);
    }
    album->AddSlide(*innermost);
    std::string bytes = CProjectWriter::Write(doc, false);
    CMainDoc read;
    std::string error;
    EXPECT_EQ(ReadBytes(read, bytes, error), CProjectReader::kFailed);
    EXPECT_NE(error.find("nested"), std::string::npos) << error;
}

TEST(ProjectStream, PackageFormPathsAndTheirReanchoring) {
    CMainDoc doc;
    FillRichDocument(doc);
    doc.m_packageNames["C:\\Pics\\bg.png"] = "bg-2.png";
    EXPECT_EQ(CProjectWriter::PackagePath(doc, "C:\\Photos\\a.jpg"), "Z:\\Files\\a.jpg");
    EXPECT_EQ(CProjectWriter::PackagePath(doc, "c:/pics/BG.PNG"), "Z:\\Files\\bg-2.png");
    std::string bytes = CProjectWriter::Write(doc, true);
    EXPECT_NE(bytes.find("Z:\\Files\\a.jpg"), std::string::npos);
    EXPECT_EQ(bytes.find("C:\\Pics"), std::string::npos);

    CMainDoc read;
    std::string error;
    ASSERT_EQ(ReadBytes(read, bytes, error), CProjectReader::kLoaded) << error;
    EXPECT_EQ(read.m_packagePaths, 0); // cleared once the project is read
    CSlide* slide = read.GetProject().GetAlbum(0)->GetSlide(0);
    EXPECT_EQ(slide->GetItem(0)->m_file, "Z:\\files\\a.jpg");
    EXPECT_EQ(slide->m_backgroundPicture, "Z:\\files\\bg-2.png");
    EXPECT_TRUE(read.m_missingFiles.empty());

    // The relative form walks up from the folder the stream was saved from.
    EXPECT_EQ(CProjectReader::Reanchor("C:\\Proj\\Pics\\a.jpg", "C:\\Proj\\", "D:\\New\\x.kvs"),
              "D:\\New\\pics\\a.jpg");
    EXPECT_EQ(CProjectReader::Reanchor("C:\\Other\\a.jpg", "C:\\Proj", "D:\\New\\x.kvs"),
              "D:\\other\\a.jpg");
    EXPECT_EQ(CProjectReader::Reanchor("C:\\A\\a.jpg", "C:\\B\\C\\", "D:\\x.kvs"), "");
    EXPECT_EQ(CProjectReader::Reanchor("E:\\a.jpg", "C:\\Proj\\", "D:\\x.kvs"), "");
}

TEST(ProjectStream, MissingFilesAreRecorded) {
    CMainDoc doc;
    FillRichDocument(doc);
    std::string bytes = CProjectWriter::Write(doc, false);
    CMainDoc read;
    std::string error;
    ASSERT_EQ(ReadBytes(read, bytes, error), CProjectReader::kLoaded) << error;
    EXPECT_EQ(read.m_missingFiles.count("c:/pics/A.JPG"), 1u);
    EXPECT_EQ(read.GetProject().GetAlbum(0)->GetSlide(0)->GetItem(0)->m_file, "C:\\Pics\\a.jpg");

    // A recorded replacement that exists is used instead.
    CTempDir dir;
    std::string replacement = dir.WriteFile("a.jpg", "x");
    CMainDoc again;
    again.m_missingFiles["C:\\Pics\\a.jpg"] = replacement;
    // LoadFromMemory starts from an empty document, so read directly.
    ASSERT_EQ(CProjectReader::Read(again, bytes.data(), bytes.size(), error),
              CProjectReader::kLoaded);
    EXPECT_EQ(again.GetProject().GetAlbum(0)->GetSlide(0)->GetItem(0)->m_file, replacement);
}

TEST(ProjectStream, AlbumMusicIsKeptOnlyWhenItPlays) {
    CFakeMediaProbe probe;
    probe.AddSound("/snd/ok.wav", 30);
    CMainDoc doc;
    FillRichDocument(doc);
    CAlbum* album = doc.GetProject().GetAlbum(0);
    album->m_music.clear();
    album->m_music.emplace_back("/snd/ok.wav");
    album->m_music.emplace_back("/snd/missing.wav");
    album->m_music.emplace_back();
    album->m_music[0].SetStartAndLength(5, 10);
    album->m_music[0].m_fadeOut = 2;
    CMainDoc read;
    std::string error;
    ASSERT_EQ(ReadBytes(read, CProjectWriter::Write(doc, false), error), CProjectReader::kLoaded);
    const auto& music = read.GetProject().GetAlbum(0)->m_music;
    ASSERT_EQ(music.size(), 2u);
    EXPECT_EQ(music[0].GetPath(), "/snd/ok.wav");
    EXPECT_EQ(music[0].GetStart(), 5.0);
    EXPECT_EQ(music[0].GetLength(), 10.0);
    EXPECT_EQ(music[0].m_fadeOut, 2.0);
    EXPECT_TRUE(music[1].GetPath().empty());
}

TEST(ProjectStream, StringsInEveryLengthForm) {
    for (std::size_t length : {0u, 254u, 255u, 0xFFFDu, 0xFFFEu, 0x10005u}) {
        CArchiveWriter ar;
        std::string text(length, 'x');
        ar.WriteString(text);
        ar.WriteString("\u00e9" + text); // narrow: one byte per character
        ar.WriteWideString(text);
        const std::string& bytes = ar.Bytes();
        CArchiveReader reader(bytes.data(), bytes.size());
        EXPECT_EQ(reader.ReadString(), text) << length;
        EXPECT_EQ(reader.ReadString(), "\u00e9" + text) << length;
        EXPECT_EQ(reader.ReadString(), text) << length;
        EXPECT_EQ(reader.Remaining(), 0u);
    }
    // A length that runs past the end fails instead of reading beyond it.
    std::string bad("\xFF\xFF\xFF\xFF\xFF\xFF\x7F", 7);
    CArchiveReader reader(bad.data(), bad.size());
    EXPECT_THROW(reader.ReadString(), CArchiveException);
}

TEST(ProjectStream, OldVersionsAskFirst) {
    CScopedSettings settings;
    CArchiveWriter ar = Header("14.00");
    int asked = 0;
    auto decline = [&](double version) {
        ++asked;
        EXPECT_EQ(version, 14.0);
        return false;
    };
    CMainDoc doc;
    std::string error;
    EXPECT_EQ(doc.LoadFromMemory(ar.Bytes().data(), ar.Bytes().size(), error, decline),
              CProjectReader::kDeclined);
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(error.empty());

    // With the warning turned off nobody is asked (and the short stream then fails).
    SetSettingInt("WarnOldKVS", 0);
    EXPECT_EQ(doc.LoadFromMemory(ar.Bytes().data(), ar.Bytes().size(), error, decline),
              CProjectReader::kFailed);
    EXPECT_EQ(asked, 1);
}
