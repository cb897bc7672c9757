// The main of every test program. The settings store starts on a file in a
// private temporary folder, so no test or program it starts ever reads or writes the settings of
// the user running the suite.
#include "base/SettingsStore.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    CTempDir configDir;
    CSettingsStore::Instance().SetPath(configDir / "kelvclip.ini");
    // Programs the tests start read that file too, not the user's.
    setenv("KELVCLIP_CONFIG", (configDir / "kelvclip.ini").c_str(), 1);
    return RUN_ALL_TESTS();
}
