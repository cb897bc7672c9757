#include "base/Folders.h"
#include "base/Settings.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

namespace {

// Sets an environment variable for the scope's lifetime.
class CScopedEnv {
public:
    CScopedEnv(const char* name, const std::string& value) : m_name(name) {
        if (const char* old = std::getenv(name))
            m_old = old;
        setenv(name, value.c_str(), 1);
    }
    CScopedEnv(const CScopedEnv&) = delete;
    CScopedEnv& operator=(const CScopedEnv&) = delete;
    ~CScopedEnv() {
        if (m_old)
            setenv(m_name, m_old->c_str(), 1);
        else
            unsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

// A private home folder with its own settings; the user-dirs file is looked for
// under home/cfg.
class FoldersInHome : public testing::Test {
protected:
    CScopedSettings m_settings;
    CTempDir home;
    CScopedEnv m_homeEnv{"HOME", home.Path()};
    CScopedEnv m_configEnv{"XDG_CONFIG_HOME", home / "cfg"};
};

} // namespace

TEST_F(FoldersInHome, UserFoldersComeFromTheXdgUserDirsFile) {
    home.WriteFile("cfg/user-dirs.dirs", "# written by xdg-user-dirs-update\n"
                                         "XDG_PICTURES_DIR=\"$HOME/Bilder\"\n"
                                         "XDG_DOCUMENTS_DIR=\"/nowhere/Dokumente\"\n");
    std::filesystem::create_directory(home / "Bilder");

    std::string path;
    EXPECT_TRUE(GetUserFolder(kFolderPictures, path, false));
    EXPECT_EQ(path, home / "Bilder");
    // The folder is reported even when it does not exist, and never created.
    EXPECT_FALSE(GetUserFolder(kFolderDocuments, path, false));
    EXPECT_EQ(path, "/nowhere/Dokumente");
    EXPECT_FALSE(std::filesystem::exists("/nowhere"));
}

TEST_F(FoldersInHome, WithoutUserDirsTheHomeSubfoldersAreUsed) {
    std::filesystem::create_directory(home / "Documents");
    std::string path;
    EXPECT_FALSE(GetUserFolder(kFolderPictures, path, false));
    EXPECT_EQ(path, home / "Pictures");
    EXPECT_TRUE(GetUserFolder(kFolderDocuments, path, false));
    EXPECT_EQ(path, home / "Documents");
}

TEST_F(FoldersInHome, TheRememberedFolderReplacesTheDefault) {
    std::filesystem::create_directory(home / "Pictures");
    std::filesystem::create_directory(home / "picked");

    std::string path;
    SetUserFolder(kFolderPictures, home / "picked");
    EXPECT_EQ(GetSettingString("UpathImg", ""), home / "picked");
    EXPECT_TRUE(GetUserFolder(kFolderPictures, path, true));
    EXPECT_EQ(path, home / "picked");
    // Without the flag the setting is ignored.
    EXPECT_TRUE(GetUserFolder(kFolderPictures, path, false));
    EXPECT_EQ(path, home / "Pictures");

    // A remembered folder that has gone away is reported as missing.
    std::filesystem::remove(home / "picked");
    EXPECT_FALSE(GetUserFolder(kFolderPictures, path, true));
    EXPECT_EQ(path, home / "picked");
    // A file is not a folder.
    SetUserFolder(kFolderPictures, home.WriteFile("file", ""));
    EXPECT_FALSE(GetUserFolder(kFolderPictures, path, true));
}

TEST(Folders, KindsWithoutAFolderFail) {
    std::string path = "unchanged";
    EXPECT_FALSE(GetUserFolder(kFolderPlugins, path, true));
    EXPECT_TRUE(path.empty());
    path = "unchanged";
    EXPECT_FALSE(GetAppFolder(kFolderPictures, path));
    EXPECT_TRUE(path.empty());
    EXPECT_FALSE(GetAppFolder(7, path));
    EXPECT_FALSE(GetUserFolder(-1, path, false));
}

TEST(Folders, ThePluginFolderLiesBesideTheProgram) {
    std::string path;
    bool exists = GetAppFolder(kFolderPlugins, path);
    ASSERT_FALSE(GetProgramFolder().empty());
    EXPECT_EQ(path, GetProgramFolder() + "plugins/");
    EXPECT_EQ(exists, FolderExists(path));
    EXPECT_TRUE(FolderExists(GetProgramFolder()));
}
