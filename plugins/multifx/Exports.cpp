// The two functions the host looks up in the module.
#include "effects/api/EffectInterface.h"
#include "plugins/multifx/Layout.h"
#include "plugins/multifx/MultiCatalogue.h"

KV_EFFECT_EXPORT int GetNumEffects() { return CMultiCatalogue::Count(); }

KV_EFFECT_EXPORT IEffect* CreateEffect(int index) { return CMultiCatalogue::Create(index); }
