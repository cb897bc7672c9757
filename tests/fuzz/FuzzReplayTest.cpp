// Every input kept under tests/data/fuzz/<target>/ (each one once made a
// target crash) replayed through that target's body. A regression shows as a
// crash here, or as a sanitizer report in a sanitizer build.
#include "fuzz/FuzzTargets.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <ostream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kKept = fs::path(KV_TEST_DATA) / "fuzz";

std::vector<std::uint8_t> ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class FuzzReplay : public ::testing::TestWithParam<kvfuzz::STarget> {};

} // namespace

namespace kvfuzz {

void PrintTo(const STarget& target, std::ostream* out) { *out << target.name; }

} // namespace kvfuzz

TEST_P(FuzzReplay, EveryKeptInputRunsCleanly) {
    const kvfuzz::STarget& target = GetParam();
    const fs::path folder = kKept / target.name;
    if (!fs::exists(folder))
        return; // nothing has crashed this target yet
    int replayed = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        if (!entry.is_regular_file())
            continue;
        SCOPED_TRACE(entry.path().string());
        // Held in a block of exactly the input's size, as libFuzzer hands it
        // over, so that a read one byte past the end is seen.
        const std::vector<std::uint8_t> read = ReadAll(entry.path());
        const std::vector<std::uint8_t> exact(read.begin(), read.end());
        EXPECT_EQ(target.body(exact.data(), exact.size()), 0);
        ++replayed;
    }
    RecordProperty("replayed", replayed);
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzReplay, ::testing::ValuesIn(kvfuzz::Targets().begin(),
                                                                  kvfuzz::Targets().end()),
                         [](const ::testing::TestParamInfo<kvfuzz::STarget>& info) {
                             return std::string(info.param.name);
                         });

TEST(FuzzReplay, EveryKeptFolderNamesATarget) {
    // A misspelt folder would be replayed by nothing.
    ASSERT_TRUE(fs::is_directory(kKept / "PictureDecoderFuzz"));
    for (const fs::directory_entry& entry : fs::directory_iterator(kKept)) {
        bool known = false;
        for (const kvfuzz::STarget& target : kvfuzz::Targets())
            known = known || entry.path().filename() == target.name;
        EXPECT_TRUE(known) << entry.path();
    }
}
