#include "project/Paths.h"

#include <gtest/gtest.h>

TEST(Paths, WindowsFormPathsCompareWithoutCaseAndSeparator) {
    EXPECT_TRUE(Paths::IsWindowsForm("c:/x.jpg"));
    EXPECT_TRUE(Paths::IsWindowsForm("Files\\a.jpg"));
    EXPECT_FALSE(Paths::IsWindowsForm("/home/u/a.jpg"));
    EXPECT_FALSE(Paths::IsWindowsForm("1:a"));

    EXPECT_TRUE(Paths::Equal("Z:\\Files\\\u00c4.JPG", "z:/files/\u00e4.jpg"));
    EXPECT_TRUE(Paths::Equal("Files\\a.jpg", "files\\A.JPG"));
    // POSIX paths are exact: two files differing in case are two files.
    EXPECT_FALSE(Paths::Equal("/home/u/A.jpg", "/home/u/a.jpg"));

    Paths::PathSet set{"C:\\a\\B.jpg", "c:/A/b.JPG", "/x/B.jpg", "/x/b.jpg"};
    EXPECT_EQ(set.size(), 3u);
    EXPECT_EQ(set.count("C:/A/B.JPG"), 1u);
}

TEST(Paths, NamePartsSplitOnEitherSeparator) {
    EXPECT_EQ(Paths::FileName("C:\\a/b\\c.d.jpg"), "c.d.jpg");
    EXPECT_EQ(Paths::Folder("C:\\a/b\\c.jpg"), "C:\\a/b\\");
    EXPECT_EQ(Paths::Folder("c.jpg"), "");
    EXPECT_EQ(Paths::Extension("C:\\a.b\\c"), "");
    EXPECT_EQ(Paths::Extension("x.tar.GZ"), "GZ");
    EXPECT_TRUE(Paths::HasExtension("song.MP3", "wav;mp3;mpa"));
    EXPECT_FALSE(Paths::HasExtension("song.mp", "wav;mp3"));
    EXPECT_FALSE(Paths::HasExtension("noext", "wav;"));
    EXPECT_EQ(Paths::ToEntryName("Files\\sub\\a.jpg"), "Files/sub/a.jpg");
}
