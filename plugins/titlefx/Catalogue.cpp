// The catalogue of the module: every caption animation with its internal
// name, display name, per-character flag, variant and maker, in CreateEffect
// order.
#include "plugins/titlefx/Catalogue.h"

#include "plugins/titlefx/TextEffect.h"

#include <new>

namespace titlefx {
namespace {

// Variants of the two-flavour effects.
constexpr int kIn = 0, kOut = 1;              // Pop
constexpr int kHorizontal = 0, kVertical = 1; // Elastic

const STextEffectInfo kCatalogue[kTextEffectCount] = {
    {"Wipe", 101, 0, 0, 0, MakeWipe},
    {"Fade", 102, 0, 0, 0, MakeFade},
    {"Popin", 103, 1, kIn, 0, MakePop},
    {"Popout", 104, 1, kOut, 0, MakePop},
    {"Shake", 105, 1, 0, 0, MakeShake},
    {"Stretch", 106, 0, 0, 0, MakeStretch},
    {"ScaleIn", 107, 1, 0, 0, MakeScaleIn},
    {"Rotate", 108, 1, 0, 0, MakeRotate},
    {"Typewrite", 109, 1, 0, 0, MakeTypewrite},
    {"Spin", 110, 0, 0, 0, MakeSpin},
    {"ElasticH", 111, 1, kHorizontal, 0, MakeElastic},
    {"ElasticV", 112, 1, kVertical, 0, MakeElastic},
    {"Scattered", 113, 1, 0, 0, MakeScattered},
    {"Shift Left", 114, 0, kLeft, 1, MakeMove},
    {"Shift Right", 115, 0, kRight, 1, MakeMove},
    {"Shift Down", 116, 0, kDown, 1, MakeMove},
    {"Shift Up", 117, 0, kUp, 1, MakeMove},
    {"Cross", 118, 0, 0, 0, MakeCross},
    {"Split", 119, 1, 0, 0, MakeSplit},
    {"Shadow Left", 120, 0, kLeft, 0, MakeShadow},
    {"Shadow Right", 121, 0, kRight, 0, MakeShadow},
    {"Shadow Down", 122, 0, kDown, 0, MakeShadow},
    {"Shadow Up", 123, 0, kUp, 0, MakeShadow},
    {"Scroll Left", 124, 0, kLeft, 0, MakeMove},
    {"Scroll Right", 125, 0, kRight, 0, MakeMove},
    {"Scroll Down", 126, 0, kDown, 0, MakeMove},
    {"Scroll Up", 127, 0, kUp, 0, MakeMove},
};

} // namespace

const STextEffectInfo* TextEffectInfo(int index) {
    return index >= 0 && index < kTextEffectCount ? &kCatalogue[index] : nullptr;
}

CTextEffect* CreateTextEffect(int index) {
    const STextEffectInfo* info = TextEffectInfo(index);
    if (!info)
        return nullptr;
    try {
        return info->make(*info);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

} // namespace titlefx
