// The main of every test program. The settings store starts on a file in a
// private temporary folder, so no test ever reads or writes the settings of
// the user running the suite.
#include "app/SettingsStore.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    CTempDir configDir;
    CSettingsStore::Instance().SetPath(configDir / "kelvclip.ini");
    return RUN_ALL_TESTS();
}
