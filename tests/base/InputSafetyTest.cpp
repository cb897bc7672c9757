// Inputs that must not block or mislead, temporary folders that a signal can
// still remove, and the media warning channel.
#include "base/InputFile.h"
#include "base/MediaWarnings.h"
#include "base/TempFolders.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

TEST(InputFile, RefusesWhatIsNotARegularFileWithoutBlocking) {
    CTempDir dir;
    std::string fifo = dir / "pipe";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::string why;
    // A FIFO without a writer would block a plain open() for ever.
    EXPECT_EQ(InputFile::Open(fifo, why), -1);
    EXPECT_EQ(why, "is not a regular file");
    EXPECT_FALSE(InputFile::Check("/dev/zero", why));
    EXPECT_EQ(why, "is not a regular file");
    EXPECT_FALSE(InputFile::Check(dir.Path(), why));
    EXPECT_EQ(why, "is a directory");
    EXPECT_FALSE(InputFile::Check(dir / "none", why));
    EXPECT_EQ(why, "does not exist");
    EXPECT_FALSE(InputFile::Check("", why));

    std::string file = dir.WriteFile("a.txt", "abc");
    int fd = InputFile::Open(file, why);
    ASSERT_GE(fd, 0) << why;
    char buffer[4] = {};
    EXPECT_EQ(read(fd, buffer, sizeof buffer), 3);
    close(fd);
}

TEST(TempFolders, RemoveAllTakesEveryRegisteredFolderAndFile) {
    CTempDir tmp;
    std::string previous = getenv("TMPDIR") ? getenv("TMPDIR") : "";
    setenv("TMPDIR", tmp.Path().c_str(), 1);
    std::string why;
    std::string a = TempFolders::Make("x", why);
    std::string b = TempFolders::Make("y", why);
    if (previous.empty())
        unsetenv("TMPDIR");
    else
        setenv("TMPDIR", previous.c_str(), 1);
    ASSERT_FALSE(a.empty()) << why;
    ASSERT_FALSE(b.empty()) << why;
    EXPECT_EQ(fs::path(a).parent_path(), fs::path(tmp.Path()));
    struct stat info {};
    ASSERT_EQ(stat(a.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    std::string part = tmp.WriteFile("out.vez.part-1", "half");
    TempFolders::AddFile(part);
    std::string kept = tmp.WriteFile("kept", "k");
    TempFolders::AddFile(kept);
    TempFolders::ForgetFile(kept);
    std::ofstream(a + "/s.wav") << "sound";

    TempFolders::Remove(b);
    EXPECT_FALSE(fs::exists(b));
    TempFolders::RemoveAll();
    EXPECT_FALSE(fs::exists(a));
    EXPECT_FALSE(fs::exists(part));
    EXPECT_TRUE(fs::exists(kept));
}

TEST(MediaWarnings, ScopesNestAndEmptyNamesAreNotReported) {
    std::vector<std::string> outer, inner;
    CMediaWarnings::Report("nobody.jpg", "dropped without a listener");
    {
        CMediaWarnings::CScope first(
            [&](const std::string& file, const std::string& why) { outer.push_back(file + why); });
        CMediaWarnings::Report("a.jpg", ":1");
        {
            CMediaWarnings::CScope second(
                [&](const std::string& file, const std::string&) { inner.push_back(file); });
            CMediaWarnings::Report("b.jpg", ":2");
            CMediaWarnings::Report("", ":ignored");
        }
        CMediaWarnings::Report("c.jpg", ":3");
    }
    CMediaWarnings::Report("d.jpg", ":after");
    EXPECT_EQ(outer, (std::vector<std::string>{"a.jpg:1", "c.jpg:3"}));
    EXPECT_EQ(inner, (std::vector<std::string>{"b.jpg"}));
}
