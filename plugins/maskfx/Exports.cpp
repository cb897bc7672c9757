// The two functions the host looks up in the module. Nothing may throw across
// the boundary: a catalogue that cannot be built offers nothing.
#include "effects/api/EffectInterface.h"
#include "plugins/maskfx/MaskCatalogue.h"
#include "plugins/maskfx/MaskTransition.h"

KV_EFFECT_EXPORT int GetNumEffects() {
    try {
        return CMaskCatalogue::Module().Count();
    } catch (...) {
        return 0;
    }
}

KV_EFFECT_EXPORT IEffect* CreateEffect(int index) {
    try {
        return CMaskCatalogue::Module().Create(index);
    } catch (...) {
        return nullptr;
    }
}
