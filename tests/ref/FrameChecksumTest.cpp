// Deterministic output: every frame of the demo template, rendered by
// kelvclip-cli frames at a small size, against the checksums kept beside this
// file. A change of any pixel names the first frame that differs. The file
// changes only on purpose (with the reason in the commit message); to write
// it anew, run the test with KV_UPDATE_REF=1.
#include "base/LruCache.h"
#include "tests/support/RunCommand.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char* const kRefFile = KV_REF_DIR "/demo-frames.md5";
const char* const kFrameArgs = "--size 192x144 --rate 10";

// The MD5 of a PNG's pixels as 8-bit RGBA rows, so a different zlib or libpng
// that packs the same pixels otherwise keeps the checksum; empty when the file
// cannot be read.
std::string PixelChecksum(const std::string& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return {};
    image.format = PNG_FORMAT_RGBA;
    std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr))
        return {};
    const SDigest digest = Md5Digest(pixels.data(), pixels.size());
    std::string text;
    char hex[3];
    for (std::uint8_t byte : digest) {
        std::snprintf(hex, sizeof hex, "%02x", byte);
        text += hex;
    }
    return text;
}

// "frame_NNNNN.png <md5>" lines, in frame order.
std::vector<std::string> RenderChecksums(const CTempDir& dir, const std::string& name) {
    std::string output;
    const std::string folder = dir / name;
    // The command line reads no settings file of the user running the tests.
    const int status = RunCommand("KELVCLIP_CONFIG=" + (dir / "none.ini") + " " KV_CLI " frames " KV_DEMO
                                  " " + std::string(kFrameArgs) + " -o " + folder + " 2>&1",
                                  &output);
    EXPECT_EQ(status, 0) << output;
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    std::vector<std::string> lines;
    for (const std::string& file : names)
        lines.push_back(file + " " + PixelChecksum(folder + "/" + file));
    return lines;
}

std::vector<std::string> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);)
        if (!line.empty())
            lines.push_back(line);
    return lines;
}

// Empty when equal, else what differs first.
std::string FirstDifference(const std::vector<std::string>& want, const std::vector<std::string>& got) {
    for (std::size_t i = 0; i < want.size() && i < got.size(); ++i)
        if (want[i] != got[i])
            return "first differing frame: " + got[i].substr(0, got[i].find(' ')) + " (kept " + want[i] +
                   ", rendered " + got[i] + ")";
    if (want.size() != got.size())
        return "kept " + std::to_string(want.size()) + " frames, rendered " + std::to_string(got.size());
    return {};
}

} // namespace

// Rendered twice, so a frame that depends on when a background load finishes
// shows up even when the kept checksums happen to match one of the timings.
TEST(FrameChecksum, DemoFramesMatchTheKeptChecksumsOnEveryRun) {
    CTempDir dir;
    const std::vector<std::string> first = RenderChecksums(dir, "first");
    ASSERT_FALSE(first.empty());
    if (const char* update = std::getenv("KV_UPDATE_REF"); update && *update == '1') {
        std::ofstream out(kRefFile);
        out << "# kelvclip-cli frames samples/tmpl.vez " << kFrameArgs
            << ": MD5 of each frame's RGBA pixels\n";
        for (const std::string& line : first)
            out << line << '\n';
        GTEST_SKIP() << "wrote " << kRefFile;
    }
    std::vector<std::string> kept = ReadLines(kRefFile);
    if (!kept.empty() && kept.front().starts_with("#"))
        kept.erase(kept.begin());
    ASSERT_FALSE(kept.empty()) << kRefFile << " holds no checksums";
    EXPECT_EQ(FirstDifference(kept, first), "") << "first run";
    const std::vector<std::string> second = RenderChecksums(dir, "second");
    EXPECT_EQ(FirstDifference(kept, second), "") << "second run";
}
