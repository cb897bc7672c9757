// The two functions the host looks up in the module.
#include "effects/api/EffectInterface.h"
#include "plugins/titlefx/Catalogue.h"
#include "plugins/titlefx/TextEffect.h"

KV_EFFECT_EXPORT int GetNumEffects() { return titlefx::TextEffectCount(); }

KV_EFFECT_EXPORT IEffect* CreateEffect(int index) { return titlefx::CreateTextEffect(index); }
