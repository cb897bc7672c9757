// multifx.so as the program meets it: its two exports, and kelvclip-cli
// packing album descriptions whose slides name layouts.
#include "effects/api/EffectInterface.h"
#include "tests/support/MediaMaker.h"
#include "tests/support/RunCommand.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <fstream>

namespace {

TEST(LayoutModule, ExportsTheTwentyTwoLayouts) {
    void* module = dlopen(KV_MULTIFX, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    auto count = reinterpret_cast<PFNGetNumEffects>(dlsym(module, kGetNumEffectsExport));
    auto create = reinterpret_cast<PFNCreateEffect>(dlsym(module, kCreateEffectExport));
    ASSERT_TRUE(count && create);
    EXPECT_EQ(count(), 22);
    EXPECT_EQ(create(22), nullptr);
    IEffect* effect = create(17);
    ASSERT_NE(effect, nullptr);
    ASSERT_EQ(effect->GetType(), kEffectMulti);
    char name[64];
    effect->GetName(name, 5);
    EXPECT_STREQ(name, "Zoom");
    static_cast<IMultiEffect*>(effect)->Destroy();
    dlclose(module);
}

// kelvclip-cli pack over a one-slide album with four pictures and a layout.
int Pack(const CTempDir& dir, const std::string& layout, std::string* output) {
    const STestImage picture(32, 24, [](int x, int y) {
        return std::array<std::uint8_t, 4>{std::uint8_t(x * 8), std::uint8_t(y * 10), 90, 255};
    });
    std::ofstream(dir / "p.png", std::ios::binary) << PngBytes(picture, false);
    std::string items;
    for (int i = 0; i < 4; ++i)
        items += std::string(i ? "," : "") + R"({"kind": "image", "file": "p.png"})";
    std::ofstream(dir / "album.json")
        << R"({"format": "kelvclip-album", "version": 1, "name": "t", "slides": [{"displayTime": 2,
              "layout": )" << layout << R"(, "items": [)" << items << "]}]}";
    return RunCommand(std::string(KV_CLI) + " pack " + (dir / "album.json") + " -o " +
                          (dir / "t.vez") + " 2>&1",
                      output);
}

TEST(LayoutModule, PackChecksLayoutNamesAndSettings) {
    CTempDir dir;
    std::string out;
    EXPECT_EQ(Pack(dir, R"({"name": "circle rotate", "settings": [["Radius", 3]]})", &out), 0) << out;
    EXPECT_NE(Pack(dir, R"({"name": "Circle Rotator"})", &out), 0);
    EXPECT_NE(out.find("slide 1: unknown layout \"Circle Rotator\""), std::string::npos) << out;
    EXPECT_NE(out.find("Tile to Random"), std::string::npos) << out;
    EXPECT_NE(Pack(dir, R"({"name": "Circle Rotate", "settings": [["Radius", 4]]})", &out), 0);
    EXPECT_NE(out.find("\"Radius\" cannot be 4 (it takes 1 to 3)"), std::string::npos) << out;
    EXPECT_NE(Pack(dir, R"({"name": "Zoom Tile2", "settings": [["BkgFade", 2]]})", &out), 0);
    EXPECT_NE(out.find("(it takes 0 to 1)"), std::string::npos) << out;
    EXPECT_NE(Pack(dir, R"({"name": "Flow Zoom", "settings": [["NumCols", 2]]})", &out), 0);
    EXPECT_NE(out.find("has no setting \"NumCols\" (it takes none)"), std::string::npos) << out;
    EXPECT_EQ(Pack(dir, R"({"name": ""})", &out), 0) << out;
}

} // namespace
