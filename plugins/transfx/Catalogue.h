#pragma once

#include "effects/api/ModuleKit.h"

class CTransition;

namespace transfx {

// One transition of the module, with its texts as the host shows them.
struct STransitionInfo {
    const char* name;    // internal name, stored in projects
    const char* display; // display name; null shows the internal name
    int icon;            // number of the icon picture (Icons.cpp)
    effectkit::SParams params;
    CTransition* (*make)(const STransitionInfo& info);
};

// The number of transitions, the rows of the catalogue.
int TransitionCount();

// The catalogue entry of index, or null outside 0 … TransitionCount() − 1.
const STransitionInfo* TransitionInfo(int index);

// A new transition of index, or null when the index is unknown, the transition
// is not offered or memory runs out. Never throws.
CTransition* CreateTransition(int index);

// Makers of the transitions, one per file.
CTransition* MakeFade(const STransitionInfo& info);
CTransition* MakeContrast(const STransitionInfo& info);
CTransition* MakeBlur(const STransitionInfo& info);
CTransition* MakeSpeckle(const STransitionInfo& info);
CTransition* MakeZoom(const STransitionInfo& info);
CTransition* MakeCircle(const STransitionInfo& info);
CTransition* MakeWipe(const STransitionInfo& info);
CTransition* MakeShutter(const STransitionInfo& info);
CTransition* MakePolygon(const STransitionInfo& info);
CTransition* MakeBlinds(const STransitionInfo& info);
CTransition* MakeAccordion(const STransitionInfo& info);
CTransition* MakeDiagCells(const STransitionInfo& info);
CTransition* MakeFlipCells(const STransitionInfo& info);
CTransition* MakeFlyCell(const STransitionInfo& info);
CTransition* MakeConfetti(const STransitionInfo& info);
CTransition* MakeDoor(const STransitionInfo& info);
CTransition* MakeFlip(const STransitionInfo& info);
CTransition* MakeFlyIn(const STransitionInfo& info);
CTransition* MakeRotateIn(const STransitionInfo& info);
CTransition* MakeSpin(const STransitionInfo& info);
CTransition* MakeBulge(const STransitionInfo& info);
CTransition* MakeRipples(const STransitionInfo& info);
CTransition* MakeTrampoline(const STransitionInfo& info);
CTransition* MakeSwirl(const STransitionInfo& info);
CTransition* MakeTwist(const STransitionInfo& info);
CTransition* MakeWarp(const STransitionInfo& info);
CTransition* MakeWater(const STransitionInfo& info);
CTransition* MakeWobble(const STransitionInfo& info);
CTransition* MakeExpansionMorph(const STransitionInfo& info);
CTransition* MakeFireRing(const STransitionInfo& info);
CTransition* MakeSmoke(const STransitionInfo& info);
CTransition* MakeOldFilm(const STransitionInfo& info);
CTransition* MakeSpray(const STransitionInfo& info);
CTransition* MakeImagePeel(const STransitionInfo& info);
CTransition* MakeCubeFlip(const STransitionInfo& info);

} // namespace transfx
