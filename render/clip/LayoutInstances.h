#pragma once

#include <string_view>

class CEffect;
class CEffectMgr;

// Working instances of multi-picture layouts from the process-wide effect
// catalogue. Every slide renderer that shows a live layout drives an
// instance of its own, so two slides with the same layout on screen at once
// keep their pictures apart. Instances hang in their prototype's chain, which
// renderers on different threads share: making and releasing take one lock.
class CLayoutInstances {
public:
    // The process-wide catalogue, scanned on first use.
    static CEffectMgr& Catalogue();
    // A new instance of the layout of that name; null when there is none.
    static CEffect* Make(std::string_view name);
    static void Release(CEffect* instance);
};
