// The catalogue of the module: every caption animation with its texts,
// per-character flag, variant and maker, in CreateEffect order. The count is
// that of the rows.
#include "plugins/titlefx/Catalogue.h"

#include "plugins/titlefx/TextEffect.h"

#include <iterator>

namespace titlefx {
namespace {

// Variants of the two-flavour effects.
constexpr int kIn = 0, kOut = 1;              // Pop
constexpr int kHorizontal = 0, kVertical = 1; // Elastic

// Internal name, display name, per-character flag, variant, quadratic motion
// and maker.
constexpr STextEffectInfo kCatalogue[] = {
    {"Wipe", "Wipe", 0, 0, 0, MakeWipe},
    {"Fade", "Fade", 0, 0, 0, MakeFade},
    {"Popin", "Pop-in", 1, kIn, 0, MakePop},
    {"Popout", "Pop-out", 1, kOut, 0, MakePop},
    {"Shake", "Shake", 1, 0, 0, MakeShake},
    {"Stretch", "Stretch", 0, 0, 0, MakeStretch},
    {"ScaleIn", "Scale-in", 1, 0, 0, MakeScaleIn},
    {"Rotate", "Rotate", 1, 0, 0, MakeRotate},
    {"Typewrite", "Typewrite", 1, 0, 0, MakeTypewrite},
    {"Spin", "Spin", 0, 0, 0, MakeSpin},
    {"ElasticH", "Elastic Horizontal", 1, kHorizontal, 0, MakeElastic},
    {"ElasticV", "Elastic Vertical", 1, kVertical, 0, MakeElastic},
    {"Scattered", "Scattered", 1, 0, 0, MakeScattered},
    {"Shift Left", "Shift Left", 0, kLeft, 1, MakeMove},
    {"Shift Right", "Shift Right", 0, kRight, 1, MakeMove},
    {"Shift Down", "Shift Down", 0, kDown, 1, MakeMove},
    {"Shift Up", "Shift Up", 0, kUp, 1, MakeMove},
    {"Cross", "Cross", 0, 0, 0, MakeCross},
    {"Split", "Split", 1, 0, 0, MakeSplit},
    {"Shadow Left", "Shadow Left", 0, kLeft, 0, MakeShadow},
    {"Shadow Right", "Shadow Right", 0, kRight, 0, MakeShadow},
    {"Shadow Down", "Shadow Down", 0, kDown, 0, MakeShadow},
    {"Shadow Up", "Shadow Up", 0, kUp, 0, MakeShadow},
    {"Scroll Left", "Scroll Left", 0, kLeft, 0, MakeMove},
    {"Scroll Right", "Scroll Right", 0, kRight, 0, MakeMove},
    {"Scroll Down", "Scroll Down", 0, kDown, 0, MakeMove},
    {"Scroll Up", "Scroll Up", 0, kUp, 0, MakeMove},
};

} // namespace

int TextEffectCount() { return int(std::size(kCatalogue)); }

const STextEffectInfo* TextEffectInfo(int index) {
    return index >= 0 && index < TextEffectCount() ? &kCatalogue[index] : nullptr;
}

CTextEffect* CreateTextEffect(int index) {
    const STextEffectInfo* info = TextEffectInfo(index);
    if (!info)
        return nullptr;
    return effectkit::MakeChecked<CTextEffect>([info] { return info->make(*info); });
}

} // namespace titlefx
