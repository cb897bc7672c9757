#include "base/Settings.h"
#include "base/SettingsStore.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <bit>
#include <cmath>
#include <filesystem>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace {

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

} // namespace

TEST(Settings, AbsentKeysYieldTheDefaultsOfTheTable) {
    CScopedSettings scope;
    EXPECT_EQ(GetSetting(Settings::PicDelay), 2);
    EXPECT_EQ(GetSetting(Settings::Effect), "Fade Plugin");
    EXPECT_EQ(GetSetting(Settings::AudioFade), 4.0f);
    EXPECT_EQ(GetSetting(Settings::SubClr), 0xFFFFFF);
    EXPECT_EQ(GetSetting(Settings::TextStlye), "Arial,20,288,16777215,0,16777215,");
    EXPECT_EQ(GetSetting(Settings::AALoadFactor), 0.75f);
    // Reading never creates the file.
    EXPECT_FALSE(std::filesystem::exists(scope.Path()));
}

TEST(Settings, ValuesOfEveryKindRoundTripExactly) {
    CScopedSettings scope;
    ASSERT_TRUE(SetSettingInt("PicDelay", -7));
    ASSERT_TRUE(SetSettingFloat("AudioFade", 0.1f));
    ASSERT_TRUE(SetSettingFloat("AALoadFactor", -0.0f));
    ASSERT_TRUE(SetSettingString("UpathImg", " /home/u/My Pictures\\x\n "));
    EXPECT_EQ(GetSettingInt("PicDelay", 0), -7);
    EXPECT_EQ(std::bit_cast<int>(GetSettingFloat("AudioFade", 0)), std::bit_cast<int>(0.1f));
    EXPECT_TRUE(std::signbit(GetSettingFloat("AALoadFactor", 1)));
    EXPECT_EQ(GetSettingString("UpathImg", ""), " /home/u/My Pictures\\x\n ");

    // A second store on the same file (a later run of the program) reads the same.
    CSettingsStore again(scope.Path());
    EXPECT_EQ(again.Get("Settings", "UpathImg"), " /home/u/My Pictures\\x\n ");
    // Floats are kept as the integer holding their bit pattern.
    EXPECT_EQ(again.Get("Settings", "AudioFade"), std::to_string(std::bit_cast<int>(0.1f)));
}

TEST(Settings, DefaultTimesAreBroughtIntoTheirRange) {
    // A settings file must not make a new album or slide unusable: the
    // stored value is kept, what is read is clamped.
    CScopedSettings scope;
    ASSERT_TRUE(SetSettingInt("EffDelay", 2147483647));
    ASSERT_TRUE(SetSettingInt("PicDelay", -7));
    EXPECT_EQ(GetSetting(Settings::EffDelay), 60);
    EXPECT_EQ(GetSetting(Settings::PicDelay), 0);
    EXPECT_EQ(GetSettingInt("EffDelay", 0), 2147483647);
    ASSERT_TRUE(SetSettingInt("EffDelay", 5));
    EXPECT_EQ(GetSetting(Settings::EffDelay), 5);
}

TEST(Settings, KeysMatchWithoutRegardToCase) {
    CScopedSettings scope;
    CTempDir dir;
    std::string path = dir.WriteFile("k.ini", "[settings]\npicdelay = 9\n");
    CSettingsStore::Instance().SetPath(path);
    EXPECT_EQ(GetSettingInt("PicDelay", 2), 9);
    ASSERT_TRUE(SetSettingInt("PICDELAY", 5));
    CSettingsStore fresh(path);
    EXPECT_EQ(fresh.Get("Settings", "PicDelay"), "5");
    // One line, not two differently cased ones.
    std::string text = ReadWholeFile(path);
    EXPECT_EQ(text.find("="), text.rfind("="));
}

TEST(Settings, UnreadableOrCorruptFilesYieldDefaults) {
    CScopedSettings scope;
    CTempDir dir;
    struct Case {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"binary garbage", std::string("\0\xff\x01[\x80=\n=\n[[", 11)},
        {"key before any section", "PicDelay=7\n"},
        {"unterminated section", "[Settings\nPicDelay=7\n"},
        {"not a number", "[Settings]\nPicDelay=seven\n"},
        {"number out of range", "[Settings]\nPicDelay=4294967296\n"},
        {"oversized file", "[Settings]\nPicDelay=7\n" + std::string(2 << 20, ';')},
    };
    for (const auto& c : cases) {
        CSettingsStore::Instance().SetPath(dir.WriteFile("c.ini", c.bytes));
        EXPECT_EQ(GetSettingInt("PicDelay", 2), 2) << c.what;
    }
    // A folder where the file should be is not a file.
    std::filesystem::create_directory(dir / "folder.ini");
    CSettingsStore::Instance().SetPath(dir / "folder.ini");
    EXPECT_EQ(GetSettingInt("PicDelay", 2), 2);
    EXPECT_FALSE(SetSettingInt("PicDelay", 3));
}

TEST(Settings, WritesReplaceTheFileWholeAndKeepOtherContent) {
    CScopedSettings scope;
    CTempDir dir;
    std::string path = dir.WriteFile("Quintar/k.ini",
                                     "; comment\n[Other]\nA=1\n[Settings]\nEffect=Wipe\n");
    CSettingsStore::Instance().SetPath(path);
    ASSERT_TRUE(SetSettingInt("PicDelay", 4));

    CSettingsStore check(path);
    EXPECT_EQ(check.Get("Other", "A"), "1");
    EXPECT_EQ(check.Get("Settings", "Effect"), "Wipe");
    EXPECT_EQ(check.Get("Settings", "PicDelay"), "4");
    // No temporary file is left beside it, and the file is private to the user.
    EXPECT_EQ(FolderEntries(dir / "Quintar"), std::vector<std::string>{"k.ini"});
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(Settings, MissingFoldersAreCreatedOnFirstWrite) {
    CScopedSettings scope;
    CTempDir dir;
    CSettingsStore::Instance().SetPath(dir / "a/b/kelvclip.ini");
    ASSERT_TRUE(SetSettingString("Effect", "Wipe"));
    EXPECT_EQ(CSettingsStore(dir / "a/b/kelvclip.ini").Get("Settings", "Effect"), "Wipe");
}

TEST(Settings, UnwritableFileReportsFailureButKeepsTheValueForThisRun) {
    CScopedSettings scope;
    CTempDir dir;
    // A path under a regular file can never be created.
    std::string blocker = dir.WriteFile("blocker", "x");
    CSettingsStore::Instance().SetPath(blocker + "/kelvclip.ini");
    EXPECT_FALSE(SetSettingInt("PicDelay", 6));
    EXPECT_EQ(GetSettingInt("PicDelay", 2), 6);
    EXPECT_EQ(ReadWholeFile(blocker), "x");
}

TEST(Settings, KeysThatTheFileCannotHoldAreRefused) {
    CScopedSettings scope;
    EXPECT_FALSE(SetSettingInt("", 1));
    EXPECT_FALSE(SetSettingInt("a=b", 1));
    EXPECT_FALSE(SetSettingInt("a\nb", 1));
    EXPECT_FALSE(SetSettingInt("[a", 1));
    EXPECT_FALSE(std::filesystem::exists(scope.Path()));
}

TEST(Settings, TwoStoresOnOneFileKeepEachOthersKeys) {
    CTempDir dir;
    std::string path = dir / "shared.ini";
    CSettingsStore first(path), second(path);
    ASSERT_TRUE(first.Set("Settings", "PicDelay", "3"));
    ASSERT_TRUE(second.Set("Settings", "EffDelay", "5"));
    ASSERT_TRUE(first.Set("Settings", "Effect", "Wipe"));
    CSettingsStore check(path);
    EXPECT_EQ(check.Get("Settings", "PicDelay"), "3");
    EXPECT_EQ(check.Get("Settings", "EffDelay"), "5");
    EXPECT_EQ(check.Get("Settings", "Effect"), "Wipe");
}

TEST(Settings, EscapesSurviveParsing) {
    for (std::string value : {"", " ", "a b", "\\", "\\s", "tab\there", "\r\n", "C:\\Photos\\"}) {
        CSettingsStore::Sections sections;
        sections["S"]["K"] = value;
        auto parsed = CSettingsStore::Parse(CSettingsStore::Format(sections));
        EXPECT_EQ(parsed["S"]["K"], value);
    }
    // A hand-written path with unknown escapes keeps its backslashes.
    EXPECT_EQ(CSettingsStore::UnescapeValue("C:\\Photos\\x"), "C:\\Photos\\x");
}

TEST(Settings, ReadersSeeWholeValuesWhileAWriterWrites) {
    CScopedSettings scope;
    ASSERT_TRUE(SetSettingString("Effect", "aaaa"));
    std::atomic<bool> stop{false};
    std::atomic<int> torn{0};
    std::vector<std::thread> readers;
    for (int r = 0; r < 3; ++r)
        readers.emplace_back([&] {
            while (!stop.load()) {
                std::string v = GetSettingString("Effect", "");
                if (v != "aaaa" && v != "bbbbbbbb")
                    ++torn;
                (void)GetSettingFloat("AudioFade", 4.0f);
            }
        });
    for (int i = 0; i < 40; ++i)
        ASSERT_TRUE(SetSettingString("Effect", i % 2 ? "aaaa" : "bbbbbbbb"));
    stop = true;
    for (auto& t : readers)
        t.join();
    EXPECT_EQ(torn.load(), 0);
}

TEST(Settings, IntegerTextForms) {
    struct Case {
        const char* text;
        bool ok;
        int value;
    } cases[] = {
        {"0", true, 0},         {"-12", true, -12},          {"+5", true, 5},
        {"0x10", true, 16},     {"0XfF", true, 255},          {"2147483647", true, 2147483647},
        {"4294967295", true, -1}, {"0xFFFFFFFF", true, -1},   {"-2147483648", true, INT32_MIN},
        {"-2147483649", false, 0}, {"4294967296", false, 0},  {"", false, 0},
        {"-", false, 0},         {"0x", false, 0},            {"1.5", false, 0},
        {" 1", false, 0},        {"0x1g", false, 0},
    };
    for (const auto& c : cases) {
        int value = 0;
        EXPECT_EQ(ParseSettingInt(c.text, value), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(value, c.value) << c.text;
        }
    }
}
