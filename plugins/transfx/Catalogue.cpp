// The catalogue of the module: every transition with its texts, icon number,
// parameters and maker, in CreateEffect order. The count is that of the rows.
#include "plugins/transfx/Catalogue.h"

#include "plugins/transfx/Transition.h"

#include <iterator>

namespace transfx {
namespace {

using effectkit::Choice;
using effectkit::Range;

// The transitions in CreateEffect order: internal name, display name, icon
// number, parameters (key, label, default, then the choice labels in value
// order or the range's bounds) and maker.
// clang-format off
constexpr STransitionInfo kCatalogue[] = {
    {"Fade Plugin", "Fade", 110,
     {Choice("FadeMode", "Fade Mode", 0, {"Normal", "Fade to Black", "Fade to White"})},
     MakeFade},
    {"Accordion Plugin", "Accordion", 140,
     {Choice("Direction", "Direction", 1, {"Left to Right", "Right to Left"})},
     MakeAccordion},
    {"Blinds Plugin", "Blinds", 102,
     {Range("Blinds", "Number of Blinds", 8, 4, 16),
      Choice("Direction", "Direction", 0, {"Left to Right", "Right to Left"})},
     MakeBlinds},
    {"Blur Plugin", "Blur", 138, {}, MakeBlur},
    {"Bulge Plugin", "Bulge", 103, {}, MakeBulge},
    {"Circle Plugin", "Circle", 104,
     {Choice("Direction", "Direction", 0, {"Small to Big", "Big to Small"})},
     MakeCircle},
    {"Confetti Plugin", "Confetti", 139,
     {Choice("Mode", "Mode", 0, {"Away and In", "Away", "In"})},
     MakeConfetti},
    {"Contrast Plugin", "Contrast", 105,
     {Choice("Mode", "Mode", 0, {"Darken Picture", "Brigten Picture"})},
     MakeContrast},
    {"Cube Flip Plugin", "Cube Flip", 133,
     {Choice("Direction", "Direction", 0,
             {"Bottom to Top", "Top to Bottom", "Left to Right", "Right to Left"})},
     MakeCubeFlip},
    {"DiagCells Plugin", "Diagonal Cells", 106,
     {Range("NumCells", "Number of Cells", 16, 8, 32),
      Choice("Direction", "Direction", 0, {"Left to Right", "Right to Left"})},
     MakeDiagCells},
    {"Door Plugin", "Door", 108,
     {Choice("Direction", "Direction", 0, {"Open Door", "Close Door"})},
     MakeDoor},
    {"Expansion Morph Plugin", "Expansion Morph", 109,
     {Choice("Direction", "Direction", 0, {"Left to Right", "Right to Left"})},
     MakeExpansionMorph},
    {"FireRing Plugin", "Fire Ring", 134, {}, MakeFireRing},
    {"Flip Plugin", "Flip", 131,
     {Choice("Direction", "Direction", 1, {"Horizontal", "Vertical"})},
     MakeFlip},
    {"FlipCells Plugin", "Flip Cells", 111,
     {Range("NumCells", "Number of Cells", 8, 4, 16),
      Choice("Direction", "Direction", 0, {"Left to Right", "Right to Left"})},
     MakeFlipCells},
    {"FlyCell Plugin", "Fly Cell", 135,
     {Range("Pattern", "Pattern", 230, 0, 255),
      Range("Columns", "Number of Columns", 8, 2, 24),
      Range("Rows", "Number of Rows", 6, 2, 18),
      Choice("Direction", "Direction", 0, {"Fly Out", "Fly In"})},
     MakeFlyCell},
    {"FlyIn Plugin", "Fly In", 112,
     {Choice("Direction", "Direction", 1, {"Fly In", "Fly Out"})},
     MakeFlyIn},
    {"Image Peel Plugin", "Image Peel", 113,
     {Choice("Direction", "Direction", 0, {"Left to Right", "Right to Left"})},
     MakeImagePeel},
    {"Old Film Plugin", "Old Film", 114, {}, MakeOldFilm},
    {"Polygon Plugin", "Polygon", 136,
     {Choice("Direction", "Direction", 1, {"Backward", "Forward"}),
      Range("Sides", "Number of Sides", 7, 3, 9)},
     MakePolygon},
    {"Ripples Plugin", "Ripples", 115, {}, MakeRipples},
    {"RotateIn Plugin", "Rotate In", 116,
     {Choice("Direction", "Direction", 1, {"Anti-Clockwise", "Clockwise"})},
     MakeRotateIn},
    {"Shutter Plugin", "Shutter", 117,
     {Range("BlendSize", "Blend Size", 40, 20, 80),
      Choice("Direction", "Direction", 0, {"Horizontal", "Vertical"})},
     MakeShutter},
    {"Smoke Plugin", "Smoke", 118,
     {Range("Brightness", "Brightness", 221, 0, 255),
      Choice("Direction", "Direction", 0, {"Right to Left", "Left to Right"})},
     MakeSmoke},
    {"Speckle Plugin", "Speckle", 137, {}, MakeSpeckle},
    {"Spin Plugin", "Spin", 119,
     {Choice("Direction", "Direction", 0, {"Clockwise", "Anti-Clockwise"})},
     MakeSpin},
    {"Spray Plugin", "Spray", 120,
     {Choice("Direction", "Direction", 0, {"Left to Right", "Right to Left"})},
     MakeSpray},
    {"Swirl Morph Plugin", "Swirl", 121,
     {Choice("Direction", "Direction", 0, {"Clockwise", "Anti-Clockwise"})},
     MakeSwirl},
    {"Trampoline Plugin", "Trampoline", 122, {}, MakeTrampoline},
    {"Twist Plugin", "Twist", 130,
     {Choice("Direction", "Direction", 0, {"Left to Right", "Right to Left"})},
     MakeTwist},
    {"Warp Plugin", "Warp", 124, {}, MakeWarp},
    {"Water Plugin", "Water", 125, {}, MakeWater},
    {"Wipe Plugin", "Wipe", 132,
     {Choice("Direction", "Direction", 0,
             {"Left to Right", "Right to Left", "Bottom to Top", "Top to Bottom"}),
      Choice("Push", "Push", 1, {"No", "Yes"})},
     MakeWipe},
    {"Wobble Plugin", "Wobble", 126, {Range("Intensity", "Intensity", 20, 10, 30)}, MakeWobble},
    {"Zoom Plugin", "Zoom", 127,
     {Choice("Direction", "Direction", 1, {"Zoom Out", "Zoom In"})},
     MakeZoom},
};
// clang-format on

} // namespace

int TransitionCount() {
    return int(std::size(kCatalogue));
}

const STransitionInfo* TransitionInfo(int index) {
    return index >= 0 && index < TransitionCount() ? &kCatalogue[index] : nullptr;
}

CTransition* CreateTransition(int index) {
    const STransitionInfo* info = TransitionInfo(index);
    if (!info) return nullptr;
    return effectkit::MakeChecked<CTransition>([info] { return info->make(*info); });
}

} // namespace transfx
