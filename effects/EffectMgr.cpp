#include "effects/EffectMgr.h"

#include "base/Folders.h"

#include <dirent.h>
#include <dlfcn.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cctype>

namespace {

// Modules listed first, in this order; the first transition of the catalogue
// is then the cross-fade of transfx, the fallback for unknown names.
constexpr std::array<std::string_view, 4> kFirstModules = {"transfx.so", "maskfx.so", "multifx.so",
                                                           "titlefx.so"};

std::size_t Rank(const std::string& name) {
    auto it = std::find(kFirstModules.begin(), kFirstModules.end(), name);
    return std::size_t(it - kFirstModules.begin());
}

// Internal names are UTF-8; folding ASCII letters only leaves every multi-byte
// sequence intact.
bool EqualNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

bool EndsWith(const std::string& s, std::string_view tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// Why dlopen failed, without the module's own path that the loader puts in
// front of most messages (a missing dependency is named by its own name).
std::string LoadError(const std::string& path) {
    const char* error = dlerror();
    std::string text = error && *error ? error : "cannot be loaded";
    if (text.size() > path.size() + 2 && text.compare(0, path.size(), path) == 0 &&
        text.compare(path.size(), 2, ": ") == 0)
        text.erase(0, path.size() + 2);
    return text;
}

} // namespace

CEffectMgr::CEffectMgr(const std::string& folder) : m_folder(folder) {
    if (m_folder.empty())
        GetAppFolder(kFolderPlugins, m_folder);
    if (!m_folder.empty() && m_folder.back() != '/')
        m_folder += '/';
    Scan();
}

CEffectMgr::~CEffectMgr() { Teardown(); }

CEffectMgr& CEffectMgr::Global() {
    static CEffectMgr catalogue;
    return catalogue;
}

void CEffectMgr::Scan() {
    if (m_scanned || m_folder.empty())
        return;
    m_scanned = true;
    m_skipped.clear();
    std::vector<std::string> names;
    if (DIR* dir = opendir(m_folder.c_str())) {
        while (const dirent* entry = readdir(dir)) {
            std::string name = entry->d_name;
            struct stat st {};
            // A folder named like a module is no module; a name that cannot be
            // looked at (a dangling link) is tried, so that the loader's
            // message records why it was skipped.
            if (!EndsWith(name, ".so") ||
                (stat((m_folder + name).c_str(), &st) == 0 && !S_ISREG(st.st_mode)))
                continue;
            names.push_back(std::move(name));
        }
        closedir(dir);
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const std::size_t ra = Rank(a), rb = Rank(b);
        return ra != rb ? ra < rb : a < b;
    });
    for (const std::string& name : names)
        LoadModule(m_folder + name);
}

void CEffectMgr::LoadModule(const std::string& path) {
    void* module = nullptr;
    int n = 0;
    std::string reason;
    {
        std::lock_guard guard(CEffect::ModuleLock());
        module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!module) {
            m_skipped.push_back({path, LoadError(path)});
            return;
        }
        auto count = reinterpret_cast<PFNGetNumEffects>(dlsym(module, kGetNumEffectsExport));
        const bool creates = dlsym(module, kCreateEffectExport) != nullptr;
        if (!count)
            reason = std::string("no ") + kGetNumEffectsExport + " entry point";
        else if (!creates)
            reason = std::string("no ") + kCreateEffectExport + " entry point";
        else if ((n = count()) <= 0)
            reason = "reports no effects";
    }
    bool made = false;
    for (int i = 0; i < n; ++i) {
        if (IEffect* effect = CEffect::CallCreateEffect(module, i)) {
            m_entries.push_back(std::make_unique<CEffect>(effect, module, i));
            made = true;
        }
    }
    if (made) {
        m_modules.push_back({module, path});
    } else {
        if (reason.empty())
            reason = "creates none of the " + std::to_string(n) + " effects it reports";
        m_skipped.push_back({path, std::move(reason)});
        std::lock_guard guard(CEffect::ModuleLock());
        dlclose(module);
    }
}

void CEffectMgr::Teardown() {
    // Every object of a module goes before the module itself.
    m_entries.clear();
    std::lock_guard guard(CEffect::ModuleLock());
    for (const SModule& module : m_modules)
        dlclose(module.handle);
    m_modules.clear();
    m_scanned = false;
}

CEffect* CEffectMgr::Find(int kind, std::string_view name) const {
    for (const auto& entry : m_entries)
        if (entry->GetType() == kind && EqualNoCase(entry->GetName(), name))
            return entry.get();
    return nullptr;
}

CEffect* CEffectMgr::Nth(int kind, int n) const {
    if (n < 0)
        return nullptr;
    for (const auto& entry : m_entries)
        if (entry->GetType() == kind && n-- == 0)
            return entry.get();
    return nullptr;
}

std::string CEffectMgr::GetModulePath(void* module) const {
    for (const SModule& m : m_modules)
        if (m.handle == module)
            return m.path;
    return {};
}
