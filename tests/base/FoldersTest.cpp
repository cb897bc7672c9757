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

// The same executables serve the build tree (plugins/ and help/ beside bin/,
// the demo in samples/) and an installation (lib/kelvclip/plugins and
// share/kelvclip under the prefix); the folders are found from the program's
// own location whatever that is.
TEST(Folders, BuildTreeAndInstalledLayoutsAreFoundFromTheProgram) {
    namespace fs = std::filesystem;
    CTempDir dir;
    const std::string build = dir / "build";
    for (const char* folder : {"bin/plugins", "bin/help", "samples"})
        fs::create_directories(build + "/" + folder);
    const std::string prefix = dir / "any prefix";
    const std::string installedBin = prefix + "/" + KV_INSTALL_BINDIR + "/";
    fs::create_directories(installedBin);
    fs::create_directories(prefix + "/" + KV_INSTALL_PLUGINDIR);
    fs::create_directories(prefix + "/" + KV_INSTALL_DATADIR + "/help");

    std::string path;
    EXPECT_TRUE(FindAppFolder(build + "/bin/", kFolderPlugins, path));
    EXPECT_EQ(path, build + "/bin/plugins/");
    EXPECT_TRUE(FindAppFolder(build + "/bin/", kFolderHelp, path));
    EXPECT_EQ(path, build + "/bin/help/");
    EXPECT_TRUE(FindAppFolder(build + "/bin/", kFolderDemo, path));
    EXPECT_EQ(path, build + "/samples/");

    EXPECT_TRUE(FindAppFolder(installedBin, kFolderPlugins, path));
    EXPECT_EQ(path, prefix + "/" + KV_INSTALL_PLUGINDIR + "/");
    EXPECT_TRUE(FindAppFolder(installedBin, kFolderHelp, path));
    EXPECT_EQ(path, prefix + "/" + KV_INSTALL_DATADIR + "/help/");
    EXPECT_TRUE(FindAppFolder(installedBin, kFolderDemo, path));
    EXPECT_EQ(path, prefix + "/" + KV_INSTALL_DATADIR + "/");

    // A plug-in folder beside the program wins over an installed one.
    fs::create_directories(installedBin + "plugins");
    EXPECT_TRUE(FindAppFolder(installedBin, kFolderPlugins, path));
    EXPECT_EQ(path, installedBin + "plugins/");

    // Neither: false, naming the folder beside the program.
    const std::string bare = dir / "bare/bin/";
    fs::create_directories(bare);
    EXPECT_FALSE(FindAppFolder(bare, kFolderHelp, path));
    EXPECT_EQ(path, bare + "help/");
    // Not a program folder, or no program folder at all.
    path = "unchanged";
    EXPECT_FALSE(FindAppFolder(installedBin, kFolderVideos, path));
    EXPECT_TRUE(path.empty());
    EXPECT_FALSE(FindAppFolder("", kFolderPlugins, path));
    EXPECT_TRUE(path.empty());
}
