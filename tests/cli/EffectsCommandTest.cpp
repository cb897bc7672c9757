// kelvclip-cli effects, run as a user runs it, over the plug-ins of the build.
#include "tests/support/RunCommand.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>

namespace {

// Runs the command line and returns what it printed; status gets the exit status.
std::string RunCli(const std::string& args, int& status) {
    std::string out;
    FILE* pipe = popen((std::string(KV_CLI) + " " + args + " 2>&1").c_str(), "r");
    if (!pipe)
        return out;
    char buffer[4096];
    while (std::size_t n = fread(buffer, 1, sizeof buffer, pipe))
        out.append(buffer, n);
    status = WEXITSTATUS(pclose(pipe));
    return out;
}

// Runs the command line with standard output and standard error apart.
int RunCliApart(const std::string& args, std::string& out, std::string& err) {
    CTempDir dir;
    const int status =
        RunCommand(std::string(KV_CLI) + " " + args + " 2>'" + (dir / "stderr") + "'", &out);
    err = ReadWholeFile(dir / "stderr");
    return status;
}

} // namespace

TEST(EffectsCommand, ListsTheBlendTransitionsWithTheirParameters) {
    int status = -1;
    const std::string out = RunCli("effects --json", status);
    ASSERT_EQ(status, 0) << out;
    const auto list = nlohmann::json::parse(out);
    std::set<std::string> names;
    int texts = 0, masks = 0, layouts = 0;
    for (const auto& e : list) {
        if (e["module"] == "maskfx.so") { // its own tests look into the mask transitions
            EXPECT_EQ(e["kind"], "transition");
            ++masks;
            continue;
        }
        if (e["module"] == "multifx.so") { // its own tests look into the layouts
            EXPECT_EQ(e["kind"], "multi-picture");
            ++layouts;
            continue;
        }
        if (e["module"] == "titlefx.so") {
            EXPECT_EQ(e["kind"], "text");
            EXPECT_TRUE(e["parameters"].empty());
            ++texts;
            continue;
        }
        EXPECT_EQ(e["module"], "transfx.so");
        EXPECT_EQ(e["kind"], "transition");
        names.insert(e["name"].get<std::string>());
    }
    EXPECT_EQ(texts, 27);
    EXPECT_EQ(masks, 21);
    EXPECT_EQ(layouts, 22);
    EXPECT_EQ(names, (std::set<std::string>{"Fade Plugin", "Contrast Plugin", "Blur Plugin",
                                            "Speckle Plugin", "Zoom Plugin", "Circle Plugin",
                                            "Wipe Plugin", "Shutter Plugin", "Polygon Plugin",
                                            "Blinds Plugin", "Accordion Plugin",
                                            "DiagCells Plugin", "FlipCells Plugin",
                                            "FlyCell Plugin", "Confetti Plugin", "Door Plugin",
                                            "Flip Plugin", "FlyIn Plugin", "RotateIn Plugin",
                                            "Spin Plugin", "Bulge Plugin", "Ripples Plugin",
                                            "Trampoline Plugin", "Swirl Morph Plugin",
                                            "Twist Plugin", "Warp Plugin", "Water Plugin",
                                            "Wobble Plugin", "Expansion Morph Plugin",
                                            "FireRing Plugin", "Smoke Plugin",
                                            "Old Film Plugin", "Spray Plugin",
                                            "Image Peel Plugin", "Cube Flip Plugin"}));
    EXPECT_EQ(names.size(), 35u);
    ASSERT_FALSE(list.empty());
    // Catalogue order: the cross-fade first, the fallback of unknown names.
    EXPECT_EQ(list[0]["name"], "Fade Plugin");
    EXPECT_EQ(list[0]["parameters"][0]["choices"][1], "Fade to Black");
    for (const auto& e : list)
        if (e["name"] == "Shutter Plugin") {
            EXPECT_EQ(e["parameters"][0]["key"], "BlendSize");
            EXPECT_EQ(e["parameters"][0]["min"], 20);
            EXPECT_EQ(e["parameters"][0]["max"], 80);
            EXPECT_EQ(e["parameters"][0]["default"], 40);
        }

    const std::string text = RunCli("effects", status);
    ASSERT_EQ(status, 0);
    EXPECT_NE(text.find("\"Polygon Plugin\"  (Polygon)"), std::string::npos) << text;
    EXPECT_NE(text.find("Sides \"Number of Sides\": range 3 .. 9; default 7"), std::string::npos);
}

TEST(EffectsCommand, SkippedModulesGoToStandardErrorOneLineEach) {
    // The test modules: two usable ones and one of each way a module can be
    // unusable; the folder named folder.so is no module and is not reported.
    const std::string folder = std::string(KV_FAKE_PLUGINS) + "/";
    std::string out, err;
    ASSERT_EQ(RunCliApart("effects --json --plugins " + std::string(KV_FAKE_PLUGINS), out, err), 0)
        << err;
    const auto list = nlohmann::json::parse(out); // standard output stays the catalogue alone
    ASSERT_TRUE(list.is_array());
    EXPECT_EQ(list.size(), 8u);
    for (const auto& e : list)
        EXPECT_TRUE(e["module"] == "titlefx.so" || e["module"] == "alpha.so") << e["module"];

    const std::string prefix = "kelvclip-cli: skipped plug-in " + folder;
    const std::string lines[] = {
        prefix + "allnull.so: creates none of the 3 effects it reports\n",
        prefix + "broken.so: ",
        prefix + "nocount.so: reports no effects\n",
        prefix + "nocreate.so: no CreateEffect entry point\n",
        prefix + "nonum.so: no GetNumEffects entry point\n",
    };
    std::size_t at = 0;
    for (const std::string& line : lines) {
        const std::size_t found = err.find(line, at);
        ASSERT_NE(found, std::string::npos) << line << " not after offset " << at << " in:\n" << err;
        at = found + line.size();
    }
    // The loader's reason for broken.so fills one line of its own, and nothing else is said.
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 5) << err;
    EXPECT_EQ(err.find("folder.so"), std::string::npos) << err;

    // The text form reports the same on standard error only.
    std::string text, textErr;
    ASSERT_EQ(RunCliApart("effects --plugins " + std::string(KV_FAKE_PLUGINS), text, textErr), 0);
    EXPECT_EQ(textErr, err);
    EXPECT_EQ(text.find("skipped"), std::string::npos) << text;
    EXPECT_NE(text.find("alpha.so #4  multi-picture  \"Tile alpha\""), std::string::npos) << text;

    // The program's own plug-in folder skips nothing; a folder that does not
    // exist is bad usage.
    ASSERT_EQ(RunCliApart("effects", text, textErr), 0);
    EXPECT_EQ(textErr, "");
    EXPECT_EQ(RunCliApart("effects --plugins " + folder + "none-here", text, textErr), 64);
}
