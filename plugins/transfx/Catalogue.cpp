// The catalogue of the module: every transition with its internal name,
// display name, icon number, parameters and maker, in CreateEffect order.
#include "plugins/transfx/Catalogue.h"

#include "effects/api/EffectSetting.h"
#include "plugins/transfx/Transition.h"

#include <new>

namespace transfx {
namespace {

constexpr int C = CEffectSetting::kChoice;
constexpr int R = CEffectSetting::kRange;

// Shorthands for the parameter lists below.
constexpr SParamInfo Choice(const char* key, int label, int def, int a, int b, int c = 0,
                            int d = 0) {
    return {key, label, C, def, 0, 0, {a, b, c, d}, c ? (d ? 4 : 3) : 2};
}
constexpr SParamInfo Range(const char* key, int label, int def, int lo, int hi) {
    return {key, label, R, def, lo, hi, {}, 0};
}

const STransitionInfo kCatalogue[kTransitionCount] = {
    {"Fade Plugin", 101, 110, {Choice("FadeMode", 102, 0, 103, 104, 105)}, 1, MakeFade},
    {"Accordion Plugin", 176, 140, {Choice("Direction", 110, 1, 111, 112)}, 1, MakeAccordion},
    {"Blinds Plugin", 108, 102,
     {Range("Blinds", 109, 8, 4, 16), Choice("Direction", 110, 0, 111, 112)}, 2, MakeBlinds},
    {"Blur Plugin", 166, 138, {}, 0, MakeBlur},
    {"Bulge Plugin", 113, 103, {}, 0, MakeBulge},
    {"Circle Plugin", 114, 104, {Choice("Direction", 110, 0, 115, 116)}, 1, MakeCircle},
    {"Confetti Plugin", 177, 139, {Choice("Mode", 120, 0, 178, 179, 180)}, 1, MakeConfetti},
    {"Contrast Plugin", 117, 105, {Choice("Mode", 120, 0, 118, 119)}, 1, MakeContrast},
    {"Cube Flip Plugin", 158, 133, {Choice("Direction", 110, 0, 159, 160, 111, 112)}, 1, MakeCubeFlip},
    {"DiagCells Plugin", 122, 106,
     {Range("NumCells", 121, 16, 8, 32), Choice("Direction", 110, 0, 111, 112)}, 2, MakeDiagCells},
    {"Door Plugin", 125, 108, {Choice("Direction", 110, 0, 124, 123)}, 1, MakeDoor},
    {"Expansion Morph Plugin", 126, 109, {Choice("Direction", 110, 0, 111, 112)}, 1, MakeExpansionMorph},
    {"FireRing Plugin", 156, 134, {}, 0, MakeFireRing},
    {"Flip Plugin", 157, 131, {Choice("Direction", 110, 1, 138, 139)}, 1, MakeFlip},
    {"FlipCells Plugin", 127, 111,
     {Range("NumCells", 121, 8, 4, 16), Choice("Direction", 110, 0, 111, 112)}, 2, MakeFlipCells},
    {"FlyCell Plugin", 172, 135,
     {Range("Pattern", 173, 230, 0, 255), Range("Columns", 174, 8, 2, 24),
      Range("Rows", 175, 6, 2, 18), Choice("Direction", 110, 0, 130, 131)},
     4, MakeFlyCell},
    {"FlyIn Plugin", 129, 112, {Choice("Direction", 110, 1, 131, 130)}, 1, MakeFlyIn},
    {"Image Peel Plugin", 132, 113, {Choice("Direction", 110, 0, 111, 112)}, 1, MakeImagePeel},
    {"Old Film Plugin", 133, 114, {}, 0, MakeOldFilm},
    {"Polygon Plugin", 168, 136,
     {Choice("Direction", 110, 1, 171, 170), Range("Sides", 169, 7, 3, 9)}, 2, MakePolygon},
    {"Ripples Plugin", 134, 115, {}, 0, MakeRipples},
    {"RotateIn Plugin", 135, 116, {Choice("Direction", 110, 1, 137, 136)}, 1, MakeRotateIn},
    {"Shutter Plugin", 140, 117,
     {Range("BlendSize", 141, 40, 20, 80), Choice("Direction", 110, 0, 138, 139)}, 2, MakeShutter},
    {"Smoke Plugin", 142, 118,
     {Range("Brightness", 143, 221, 0, 255), Choice("Direction", 110, 0, 112, 111)}, 2, MakeSmoke},
    {"Speckle Plugin", 167, 137, {}, 0, MakeSpeckle},
    {"Spin Plugin", 144, 119, {Choice("Direction", 110, 0, 136, 137)}, 1, MakeSpin},
    {"Spray Plugin", 145, 120, {Choice("Direction", 110, 0, 111, 112)}, 1, MakeSpray},
    {"Swirl Morph Plugin", 146, 121, {Choice("Direction", 110, 0, 136, 137)}, 1, MakeSwirl},
    {"Trampoline Plugin", 148, 122, {}, 0, MakeTrampoline},
    {"Twist Plugin", 147, 130, {Choice("Direction", 110, 0, 111, 112)}, 1, MakeTwist},
    {"Warp Plugin", 149, 124, {}, 0, MakeWarp},
    {"Water Plugin", 150, 125, {}, 0, MakeWater},
    {"Wipe Plugin", 161, 132,
     {Choice("Direction", 110, 0, 111, 112, 159, 160), Choice("Push", 164, 1, 162, 163)}, 2,
     MakeWipe},
    {"Wobble Plugin", 151, 126, {Range("Intensity", 152, 20, 10, 30)}, 1, MakeWobble},
    {"Zoom Plugin", 153, 127, {Choice("Direction", 110, 1, 155, 154)}, 1, MakeZoom},
};

} // namespace

const STransitionInfo* TransitionInfo(int index) {
    return index >= 0 && index < kTransitionCount ? &kCatalogue[index] : nullptr;
}

CTransition* CreateTransition(int index) {
    const STransitionInfo* info = TransitionInfo(index);
    if (!info || !info->make)
        return nullptr;
    CTransition* transition = nullptr;
    try {
        transition = info->make(*info);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    if (transition && !transition->IsValid()) {
        transition->Destroy();
        return nullptr;
    }
    return transition;
}

} // namespace transfx
