#pragma once

#include "effects/Effect.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

// A catalogue of the effects found in a plug-in folder. Each owner keeps its
// own catalogue and each catalogue loads the modules for itself (the loader
// counts the loads). A catalogue has no locks: it is used by its owner's thread.
class CEffectMgr {
public:
    // Takes the folder (empty: the program's plug-in folder), ends it with '/'
    // and scans it.
    explicit CEffectMgr(const std::string& folder = {});
    CEffectMgr(const CEffectMgr&) = delete;
    CEffectMgr& operator=(const CEffectMgr&) = delete;
    ~CEffectMgr();

    // A module file the scan passed over, and why: the loader's message, a
    // missing export, or no effect to offer.
    struct SSkippedModule {
        std::string path;
        std::string reason;
    };

    // Loads every module of the folder once. Modules are taken in catalogue
    // order: transfx, maskfx, multifx, titlefx, then the others by file name.
    // Every name ending in ".so" that is not a folder or another special file
    // is tried; files that cannot be loaded, lack an export or offer no effect
    // are skipped and recorded (GetSkippedModules). Does nothing when already
    // scanned or the folder is empty.
    void Scan();
    // Destroys every prototype with the instances chained behind it, unloads the
    // modules in load order and marks the catalogue as not scanned.
    void Teardown();

    // The first prototype in catalogue order of that kind whose internal name
    // equals name ignoring case; null if none.
    [[nodiscard]] CEffect* Find(int kind, std::string_view name) const;
    // The n-th prototype (from 0) of that kind; null if there are fewer.
    [[nodiscard]] CEffect* Nth(int kind, int n) const;
    [[nodiscard]] CEffect* First(int kind) const { return Nth(kind, 0); }

    [[nodiscard]] const std::string& GetFolder() const { return m_folder; }
    [[nodiscard]] const std::vector<std::unique_ptr<CEffect>>& GetEntries() const { return m_entries; }
    [[nodiscard]] std::size_t GetModuleCount() const { return m_modules.size(); }
    // The modules the last scan skipped, in catalogue order.
    [[nodiscard]] const std::vector<SSkippedModule>& GetSkippedModules() const { return m_skipped; }
    // The file path a module handle was loaded from; empty when unknown.
    [[nodiscard]] std::string GetModulePath(void* module) const;
    [[nodiscard]] bool IsScanned() const { return m_scanned; }

    // The process-wide catalogue over the program's plug-in folder, made on
    // first request (safe from any thread) and torn down at exit.
    static CEffectMgr& Global();

private:
    struct SModule {
        void* handle;
        std::string path;
    };

    void LoadModule(const std::string& path);

    std::string m_folder;
    std::vector<std::unique_ptr<CEffect>> m_entries;
    std::vector<SModule> m_modules;
    std::vector<SSkippedModule> m_skipped;
    bool m_scanned = false;
};
