#include "project/Album.h"
#include "project/AlbumGrp.h"
#include "project/Image.h"
#include "project/Project.h"
#include "project/Slide.h"
#include "project/Video.h"
#include "tests/support/FakeMediaProbe.h"

#include <gtest/gtest.h>

namespace {

// An album whose files cover every place a file can be named.
void FillAlbum(CAlbum& album) {
    CSlide slide;
    CImage image("C:\\Pics\\a.jpg");
    image.m_sound.SetFile("C:\\Snd\\item.wav");
    slide.AddItem(image);
    slide.AddItem(CImage("c:/pics/A.JPG")); // the same file in another spelling
    auto clip = std::make_unique<CVideo>("/clips/v.mp4");
    slide.SetMainVideo(std::move(clip));
    slide.m_sound.SetFile("/snd/slide.wav");
    slide.m_backgroundPicture = "/bg.png";
    album.AddSlide(slide);
    album.AddSlide(CSlide()); // no files at all
    album.m_music.emplace_back("/music/m.mp3");
    album.m_picture = "/cover.jpg";
}

} // namespace

TEST(FileRefs, ListingVisitsEachFileOnceInWalkOrder) {
    CAlbum album;
    FillAlbum(album);
    std::vector<std::string> list;
    album.ListFiles(list);
    EXPECT_EQ(list, (std::vector<std::string>{"C:\\Pics\\a.jpg", "C:\\Snd\\item.wav",
                                              "/clips/v.mp4", "/snd/slide.wav", "/bg.png",
                                              "/music/m.mp3", "/cover.jpg"}));

    // A shared seen set suppresses what an earlier listing already gave.
    Paths::PathSet seen{"/COVER.jpg", "c:\\snd\\ITEM.wav"};
    list.clear();
    album.ListFiles(list, &seen);
    EXPECT_EQ(list.size(), 6u); // the POSIX cover path differs in case, so it stays
    EXPECT_EQ(std::count(list.begin(), list.end(), "C:\\Snd\\item.wav"), 0);

    Paths::PathMap map;
    album.CollectFiles(map);
    EXPECT_EQ(map.size(), 7u);
    EXPECT_TRUE(map.count("C:/PICS/a.jpg"));
}

TEST(FileRefs, RelocatingReplacesPathsAndReopensSounds) {
    CFakeMediaProbe probe;
    probe.AddSound("/snd/slide.wav", 30);
    probe.AddSound("/new/short.wav", 4);
    CAlbum album;
    FillAlbum(album);
    CSlide* slide = album.GetSlide(0);
    slide->m_sound.SetStartAndLength(1, 20);
    ASSERT_EQ(slide->m_sound.GetLength(), 20);

    Paths::PathMap map{{"c:/pics/a.jpg", "/home/u/a.jpg"},
                       {"/snd/slide.wav", "/new/short.wav"},
                       {"/unused", "/x"}};
    album.RelocateFiles(map);
    // Both spellings of the Windows path are relocated.
    EXPECT_EQ(slide->GetItem(0)->m_file, "/home/u/a.jpg");
    EXPECT_EQ(slide->GetItem(1)->m_file, "/home/u/a.jpg");
    EXPECT_EQ(slide->GetMainVideo()->m_file, "/clips/v.mp4");
    EXPECT_EQ(album.m_picture, "/cover.jpg");
    // The sound was opened anew and its length cut to the shorter file.
    EXPECT_EQ(slide->m_sound.GetPath(), "/new/short.wav");
    EXPECT_TRUE(slide->m_sound.IsOpened());
    EXPECT_EQ(slide->m_sound.GetStart(), 1.0);
    EXPECT_EQ(slide->m_sound.GetLength(), 3.0);
}

TEST(FileRefs, SoundsThatCannotBeDecodedReportIt) {
    CFakeMediaProbe probe;
    CMusicFile missing("/nowhere.wav");
    EXPECT_FALSE(missing.IsOpened());
    EXPECT_FALSE(missing.GetError().empty());
    // Without a known duration the length stays as asked.
    missing.SetStartAndLength(2, 50);
    EXPECT_EQ(missing.GetLength(), 50.0);
    CMusicFile none;
    EXPECT_FALSE(none.SetFile(""));
    EXPECT_TRUE(none.GetError().empty());
    EXPECT_EQ(probe.m_soundProbes, 1);
}

TEST(FileRefs, TheProjectWalksGroupsThenTheMenu) {
    CProject project;
    CAlbumGrp* group = project.AddGroup(std::make_unique<CAlbumGrp>());
    group->m_picture = "/group.jpg";
    FillAlbum(*group->AddAlbum(std::make_unique<CAlbum>()));
    auto page = std::make_unique<CProjMenuPage>();
    page->m_picture = "/menu/bg.jpg";
    page->m_sound.SetFile("/menu/loop.wav");
    auto entry = std::make_unique<CProjMenuPageItem>();
    entry->m_picture = "/menu/button.png";
    page->m_items.push_back(std::move(entry));
    project.GetMenu().m_pages.push_back(std::move(page));

    std::vector<std::string> list;
    project.ListFiles(list);
    ASSERT_EQ(list.size(), 11u);
    EXPECT_EQ(list.front(), "/group.jpg");
    EXPECT_EQ(list[8], "/menu/bg.jpg");
    EXPECT_EQ(list[9], "/menu/loop.wav");
    EXPECT_EQ(list[10], "/menu/button.png");

    project.RelocateFiles({{"/menu/button.png", "/m/b.png"}, {"/group.jpg", "/g.jpg"}});
    EXPECT_EQ(project.GetMenu().m_pages[0]->m_items[0]->m_picture, "/m/b.png");
    EXPECT_EQ(group->m_picture, "/g.jpg");
}
