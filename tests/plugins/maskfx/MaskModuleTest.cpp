// maskfx.so as the host meets it: loaded from a plug-in folder of its own,
// with mask pictures dropped into the folder "Masks" beside it, and listed
// by kelvclip-cli.
#include "effects/api/EffectInterface.h"
#include "tests/support/MediaMaker.h"
#include "tests/support/RunCommand.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <vector>

namespace fs = std::filesystem;

namespace {

void WriteAt(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// A plug-in folder holding a copy of the module and a Masks folder with a
// good mask, one that is not a picture and one that is not a mask by name.
struct SPluginFolder {
    CTempDir dir;
    std::string plugins = dir / "plugins";
    SPluginFolder() {
        fs::create_directories(plugins + "/Masks");
        fs::copy_file(KV_MASKFX, plugins + "/maskfx.so");
        // A picture whose left half is black: it changes first.
        const STestImage half(40, 30, [](int x, int) {
            const std::uint8_t v = x < 20 ? 0 : 255;
            return std::array<std::uint8_t, 4>{v, v, v, 255};
        });
        WriteAt(plugins + "/Masks/half.JPG", JpegBytes(half));
        WriteAt(plugins + "/Masks/broken.jpg", "no picture\n");
        WriteAt(plugins + "/Masks/half.JPG.bak", JpegBytes(half));
    }
};

class CSolidSrc : public ItransfxSrc {
public:
    CSolidSrc(int w, int h, std::uint8_t level) : m_pixels(std::size_t(w) * h * 4, level), m_w(w) {}
    int GetFrame(std::uint8_t** bits, int* stride) override {
        *bits = m_pixels.data();
        *stride = -m_w * 4;
        return 1;
    }

private:
    std::vector<std::uint8_t> m_pixels;
    int m_w;
};

} // namespace

TEST(MaskModule, OffersTheShippedMasksThenTheFolderMasks) {
    SPluginFolder folder;
    void* module = dlopen((folder.plugins + "/maskfx.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    auto count = reinterpret_cast<PFNGetNumEffects>(dlsym(module, kGetNumEffectsExport));
    auto create = reinterpret_cast<PFNCreateEffect>(dlsym(module, kCreateEffectExport));
    ASSERT_TRUE(count && create);
    ASSERT_EQ(count(), 23);
    EXPECT_EQ(create(23), nullptr);
    EXPECT_EQ(create(-1), nullptr);

    std::vector<std::string> names;
    for (int i = 0; i < 23; ++i) {
        auto* t = static_cast<ITransitionEffect*>(create(i));
        ASSERT_NE(t, nullptr);
        char name[260];
        t->GetName(name, sizeof name);
        names.emplace_back(name);
        t->Destroy();
    }
    EXPECT_EQ(names.front(), "Checker Mask");
    EXPECT_EQ(names[20], "Twirl2 Mask");
    EXPECT_EQ(names[21], "broken.jpg");
    EXPECT_EQ(names[22], "half.JPG");

    // The dropped mask at mid-transition: its black half shows the incoming
    // picture (bottom-up buffers mirror the mask left to right).
    constexpr int kW = 80, kH = 60;
    CSolidSrc a(kW, kH, 10), b(kW, kH, 200);
    std::vector<std::uint8_t> d(std::size_t(kW) * kH * 4);
    for (int index : {21, 22}) {
        auto* t = static_cast<ITransitionEffect*>(create(index));
        int count = 0;
        ASSERT_TRUE(t->GetParams(&count)[1].SetValue(0)); // Softness: hard edges
        t->SetSize(kW, kH);
        t->SetFrameCount(25);
        t->SetSources(&a, &b);
        t->Prepare();
        std::fill(d.begin(), d.end(), 0);
        const int status = t->Render(12, d.data(), -kW * 4);
        if (index == 21) {
            EXPECT_EQ(status, -1);
            EXPECT_EQ(d[0], 0);
            EXPECT_EQ(t->GetIcon(), nullptr);
        } else {
            EXPECT_EQ(status, 0);
            EXPECT_EQ(d[(std::size_t(30) * kW + 75) * 4], 200); // right of the picture: B
            EXPECT_EQ(d[(std::size_t(30) * kW + 5) * 4], 10);   // left: still A
            ASSERT_NE(t->GetIcon(), nullptr);
            EXPECT_EQ(t->GetIcon()->width, 40);
        }
        t->Destroy();
    }
    dlclose(module);
}

TEST(MaskModule, KelvclipCliListsTheMasks) {
    SPluginFolder folder;
    std::string out;
    ASSERT_EQ(RunCommand(std::string(KV_CLI) + " effects --plugins '" + folder.plugins + "'", &out), 0);
    for (const char* name : {"Checker Mask", "Puzzle Mask", "Twirl2 Mask", "half.JPG", "broken.jpg"})
        EXPECT_NE(out.find(name), std::string::npos) << name << " missing from:\n" << out;
    EXPECT_EQ(out.find("half.JPG.bak"), std::string::npos);
}
