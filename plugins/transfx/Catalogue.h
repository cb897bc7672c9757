#pragma once

class CTransition;

namespace transfx {

// One parameter as the catalogue describes it.
struct SParamInfo {
    const char* key;
    int labelId;       // string number of the label
    int kind;          // CEffectSetting::kChoice or kRange
    int defaultValue;
    int minimum;       // range bounds
    int maximum;
    int choiceIds[4];  // string numbers of the choice labels, in value order
    int choiceCount;
};

// One transition of the module. make is null for transitions this build does
// not offer yet; CreateEffect then returns null for its index.
struct STransitionInfo {
    const char* name;  // internal name, stored in projects
    int displayId;     // string number of the display name
    int bitmapId;      // number of the icon
    SParamInfo params[4];
    int paramCount;
    CTransition* (*make)(const STransitionInfo& info);
};

inline constexpr int kTransitionCount = 35;

// The catalogue entry of index, or null outside 0 … 34.
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
