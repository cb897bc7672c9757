// kelvclip-cli effects, run as a user runs it, over the plug-ins of the build.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

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

} // namespace

TEST(EffectsCommand, ListsTheBlendTransitionsWithTheirParameters) {
    int status = -1;
    const std::string out = RunCli("effects --json", status);
    ASSERT_EQ(status, 0) << out;
    const auto list = nlohmann::json::parse(out);
    std::set<std::string> names;
    int texts = 0;
    for (const auto& e : list) {
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
    EXPECT_EQ(names, (std::set<std::string>{"Fade Plugin", "Contrast Plugin", "Blur Plugin",
                                            "Speckle Plugin", "Zoom Plugin", "Circle Plugin",
                                            "Wipe Plugin", "Shutter Plugin", "Polygon Plugin"}));
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
