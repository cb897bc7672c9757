#include "render/clip/LayoutInstances.h"

#include "effects/EffectMgr.h"
#include "effects/api/EffectInterface.h"

#include <mutex>

namespace {
std::mutex& ChainLock() {
    static std::mutex lock;
    return lock;
}
} // namespace

CEffectMgr& CLayoutInstances::Catalogue() {
    static std::once_flag scanned;
    CEffectMgr& catalogue = CEffectMgr::Global();
    std::call_once(scanned, [&catalogue] { catalogue.Scan(); });
    return catalogue;
}

CEffect* CLayoutInstances::Make(std::string_view name) {
    if (name.empty())
        return nullptr;
    CEffectMgr& catalogue = Catalogue();
    std::lock_guard lock(ChainLock());
    CEffect* prototype = catalogue.Find(kEffectMulti, name);
    return prototype ? prototype->MakeInstance() : nullptr;
}

void CLayoutInstances::Release(CEffect* instance) {
    if (!instance)
        return;
    std::lock_guard lock(ChainLock());
    instance->Release();
}
