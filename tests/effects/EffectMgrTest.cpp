#include "effects/EffectMgr.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

const std::string kFolder = KV_FAKE_PLUGINS;

// Keeps a test module loaded and counts its live effect objects (the loader
// shares one copy of the module with the catalogues).
class CModuleSpy {
public:
    explicit CModuleSpy(const std::string& module)
        : m_handle(dlopen((kFolder + "/" + module).c_str(), RTLD_NOW | RTLD_LOCAL)) {}
    ~CModuleSpy() {
        if (m_handle)
            dlclose(m_handle);
    }
    int Live() const {
        auto live = m_handle ? reinterpret_cast<int (*)()>(dlsym(m_handle, "FakeLiveObjects"))
                             : nullptr;
        return live ? live() : -1;
    }

private:
    void* m_handle;
};

using SPathReason = std::pair<std::string, std::string>;

std::vector<SPathReason> Skipped(const CEffectMgr& mgr) {
    std::vector<SPathReason> list;
    for (const auto& skipped : mgr.GetSkippedModules())
        list.emplace_back(skipped.path, skipped.reason);
    return list;
}

bool IsLoaded(const std::string& module) {
    void* handle = dlopen((kFolder + "/" + module).c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle)
        dlclose(handle);
    return handle != nullptr;
}

} // namespace

TEST(EffectMgr, ScanKeepsUsableModulesInCatalogueOrderAndUnloadsTheRest) {
    CEffectMgr mgr(kFolder); // no trailing slash: one is added
    EXPECT_EQ(mgr.GetFolder(), kFolder + "/");
    ASSERT_TRUE(mgr.IsScanned());
    EXPECT_EQ(mgr.GetModuleCount(), 2u);
    // titlefx.so is listed before alpha.so; index 2 of each makes nothing.
    ASSERT_EQ(mgr.GetEntries().size(), 8u);
    EXPECT_EQ(mgr.GetEntries()[0]->GetDisplayName(), "Shared Plugin titlefx");
    EXPECT_EQ(mgr.GetEntries()[2]->GetIndex(), 3);
    EXPECT_EQ(mgr.GetEntries()[4]->GetDisplayName(), "shared plugin alpha");
    EXPECT_EQ(mgr.GetModulePath(mgr.GetEntries()[4]->GetModule()), kFolder + "/alpha.so");
    for (const char* bad : {"nocount.so", "nocreate.so", "allnull.so"})
        EXPECT_FALSE(IsLoaded(bad)) << bad;
    mgr.Scan(); // once only
    EXPECT_EQ(mgr.GetEntries().size(), 8u);
}

TEST(EffectMgr, FindIgnoresCaseAndTakesTheFirstOfSharedNames) {
    CEffectMgr mgr(kFolder + "/");
    CEffect* shared = mgr.Find(kEffectTransition, "SHARED plugin");
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(shared->GetDisplayName(), "Shared Plugin titlefx");
    EXPECT_EQ(mgr.Find(kEffectMulti, "Shared Plugin"), nullptr); // kind must match
    EXPECT_EQ(mgr.Find(kEffectTransition, "Missing"), nullptr);
    EXPECT_EQ(mgr.First(kEffectTransition), shared);
    ASSERT_NE(mgr.Nth(kEffectTransition, 2), nullptr);
    EXPECT_EQ(mgr.Nth(kEffectTransition, 2)->GetDisplayName(), "shared plugin alpha");
    EXPECT_EQ(mgr.Nth(kEffectText, 1)->GetName(), "Caption Effect alpha");
    EXPECT_EQ(mgr.Nth(kEffectText, 2), nullptr);
    EXPECT_NE(mgr.Find(kEffectMulti, "tile ALPHA"), nullptr);
}

TEST(EffectMgr, InstancesChainBehindTheirPrototypeAndTeardownDestroysAll) {
    CModuleSpy spy("titlefx.so");
    ASSERT_EQ(spy.Live(), 0);
    {
        CEffectMgr mgr(kFolder);
        CEffect* proto = mgr.Find(kEffectTransition, "Shared Plugin");
        ASSERT_NE(proto, nullptr);
        CEffect* first = proto->MakeInstance();
        CEffect* middle = proto->MakeInstance();
        CEffect* last = first->MakeInstance(); // made from an instance: same chain
        ASSERT_TRUE(first && middle && last);
        EXPECT_NE(first->GetEffect(), proto->GetEffect());
        EXPECT_EQ(proto->GetNext(), first);
        EXPECT_EQ(last->GetPrevious(), middle);

        EXPECT_TRUE(middle->Release());
        EXPECT_EQ(first->GetNext(), last);
        EXPECT_EQ(last->GetPrevious(), first);
        EXPECT_FALSE(proto->Release()); // prototypes live until teardown
        EXPECT_EQ(mgr.Find(kEffectTransition, "Shared Plugin"), proto);

        // Kinds 1 and 2 are destroyed through their own slots at teardown.
        ASSERT_NE(mgr.Find(kEffectText, "Caption Effect titlefx")->MakeInstance(), nullptr);
        ASSERT_NE(mgr.Find(kEffectMulti, "Tile titlefx")->MakeInstance(), nullptr);
        EXPECT_EQ(spy.Live(), 4 + 4); // four prototypes, four instances
        mgr.Teardown();
        EXPECT_FALSE(mgr.IsScanned());
        EXPECT_EQ(mgr.Find(kEffectTransition, "Shared Plugin"), nullptr);
        EXPECT_EQ(spy.Live(), 0);
        mgr.Scan(); // a torn-down catalogue can scan again
        EXPECT_EQ(spy.Live(), 4);
    }
    EXPECT_EQ(spy.Live(), 0);
}

TEST(EffectMgr, StoredValuesAreAppliedThroughValidation) {
    CEffectMgr mgr(kFolder);
    CEffect* effect = mgr.Find(kEffectTransition, "Shared Plugin")->MakeInstance();
    ASSERT_NE(effect, nullptr);
    int count = 0;
    CEffectSetting* params = effect->GetParams(&count);
    ASSERT_EQ(count, 2);
    params[0].SetValue(2);
    params[1].SetValue(70);

    // Direction 0 then 5 (rejected: the earlier 0 does not come back, the
    // default does); Size out of range keeps its default; unknown keys ignored.
    effect->ApplyValues({{"Direction", 0}, {"Size", 99}, {"Direction", 5}, {"Other", 1}});
    EXPECT_EQ(params[0].value, 1);
    EXPECT_EQ(params[1].value, 40);
    effect->ApplyValues({{"Size", 80}, {"Direction", 0}, {"Size", 20}});
    EXPECT_EQ(params[0].value, 0);
    EXPECT_EQ(params[1].value, 20);
    effect->ApplyValues({});
    EXPECT_EQ(params[0].value, 1);

    CEffect* plain = mgr.Find(kEffectTransition, "Plain Plugin titlefx");
    ASSERT_NE(plain, nullptr);
    plain->ApplyValues({{"Direction", 1}});
    EXPECT_EQ(plain->GetParams(&count), nullptr);
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(effect->Release());
}

TEST(EffectMgr, AFolderWithoutModulesGivesAnEmptyCatalogue) {
    CEffectMgr missing(kFolder + "/none-here");
    EXPECT_TRUE(missing.GetEntries().empty());
    EXPECT_EQ(missing.First(kEffectTransition), nullptr);
    EXPECT_EQ(missing.Find(kEffectTransition, "Fade Plugin"), nullptr);
}

TEST(EffectMgr, CataloguesOnSeveralThreadsShareTheModules) {
    CModuleSpy spy("alpha.so");
    auto work = [] {
        for (int round = 0; round < 5; ++round) {
            CEffectMgr mgr(kFolder);
            CEffect* proto = mgr.Find(kEffectTransition, "Shared Plugin");
            ASSERT_NE(proto, nullptr);
            CEffect* a = proto->MakeInstance();
            ASSERT_NE(a, nullptr);
            a->SetSize(8, 8);
            a->Release();
        }
    };
    std::thread t1(work), t2(work);
    t1.join();
    t2.join();
    EXPECT_EQ(spy.Live(), 0);
}

TEST(EffectMgr, SkippedModulesAreRecordedWithTheirReason) {
    // What the loader itself says about the file that is no module.
    const std::string broken = kFolder + "/broken.so";
    ASSERT_EQ(dlopen(broken.c_str(), RTLD_NOW | RTLD_LOCAL), nullptr);
    const std::string loaderSays = dlerror();
    ASSERT_EQ(loaderSays.rfind(broken + ": ", 0), 0u) << loaderSays;

    // In catalogue order (titlefx.so first, then by name); the folder named
    // folder.so is not a module and is not listed.
    CEffectMgr mgr(kFolder);
    const std::vector<SPathReason> expected = {
        {kFolder + "/allnull.so", "creates none of the 3 effects it reports"},
        {broken, loaderSays.substr(broken.size() + 2)},
        {kFolder + "/nocount.so", "reports no effects"},
        {kFolder + "/nocreate.so", "no CreateEffect entry point"},
        {kFolder + "/nonum.so", "no GetNumEffects entry point"},
    };
    EXPECT_EQ(Skipped(mgr), expected);
    EXPECT_EQ(mgr.GetModuleCount(), 2u);
    EXPECT_FALSE(IsLoaded("nonum.so"));

    // A scan after teardown records afresh instead of adding to the list.
    mgr.Teardown();
    mgr.Scan();
    EXPECT_EQ(Skipped(mgr), expected);
}

TEST(EffectMgr, LinksAreFollowedAndADanglingOneIsReported) {
    CTempDir dir;
    ASSERT_EQ(symlink((kFolder + "/alpha.so").c_str(), (dir / "linked.so").c_str()), 0);
    ASSERT_EQ(symlink((dir / "missing").c_str(), (dir / "dangling.so").c_str()), 0);
    ASSERT_EQ(mkdir((dir / "sub.so").c_str(), 0700), 0);
    dir.WriteFile("notes.txt", "no module\n");
    CEffectMgr mgr(dir.Path());
    EXPECT_EQ(mgr.GetModuleCount(), 1u);
    EXPECT_NE(mgr.Find(kEffectMulti, "Tile alpha"), nullptr);
    const std::vector<SPathReason> skipped = Skipped(mgr);
    ASSERT_EQ(skipped.size(), 1u);
    EXPECT_EQ(skipped[0].first, dir / "dangling.so");
    EXPECT_NE(skipped[0].second.find("No such file"), std::string::npos) << skipped[0].second;
}
