// The two functions the host looks up in the module.
#include "effects/api/EffectInterface.h"
#include "plugins/transfx/Catalogue.h"
#include "plugins/transfx/Transition.h"

KV_EFFECT_EXPORT int GetNumEffects() { return transfx::TransitionCount(); }

KV_EFFECT_EXPORT IEffect* CreateEffect(int index) { return transfx::CreateTransition(index); }
