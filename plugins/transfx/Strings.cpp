#include "plugins/transfx/Strings.h"

#include <algorithm>
#include <iterator>

namespace transfx {
namespace {

struct SString {
    int number;
    const char* text;
};

// Sorted by number. 106, 107, 128 and 165 belong to no transition.
constexpr SString kStrings[] = {
    {101, "Fade"}, {102, "Fade Mode"}, {103, "Normal"}, {104, "Fade to Black"},
    {105, "Fade to White"}, {106, "Dissolve Plugin"}, {107, "Cell Size"}, {108, "Blinds"},
    {109, "Number of Blinds"}, {110, "Direction"}, {111, "Left to Right"},
    {112, "Right to Left"}, {113, "Bulge"}, {114, "Circle"}, {115, "Small to Big"},
    {116, "Big to Small"}, {117, "Contrast"}, {118, "Darken Picture"},
    {119, "Brigten Picture"}, {120, "Mode"}, {121, "Number of Cells"}, {122, "Diagonal Cells"},
    {123, "Close Door"}, {124, "Open Door"}, {125, "Door"}, {126, "Expansion Morph"},
    {127, "Flip Cells"}, {128, "Vertical Delay"}, {129, "Fly In"}, {130, "Fly Out"},
    {131, "Fly In"}, {132, "Image Peel"}, {133, "Old Film"}, {134, "Ripples"},
    {135, "Rotate In"}, {136, "Clockwise"}, {137, "Anti-Clockwise"}, {138, "Horizontal"},
    {139, "Vertical"}, {140, "Shutter"}, {141, "Blend Size"}, {142, "Smoke"},
    {143, "Brightness"}, {144, "Spin"}, {145, "Spray"}, {146, "Swirl"}, {147, "Twist"},
    {148, "Trampoline"}, {149, "Warp"}, {150, "Water"}, {151, "Wobble"}, {152, "Intensity"},
    {153, "Zoom"}, {154, "Zoom In"}, {155, "Zoom Out"}, {156, "Fire Ring"}, {157, "Flip"},
    {158, "Cube Flip"}, {159, "Bottom to Top"}, {160, "Top to Bottom"}, {161, "Wipe"},
    {162, "No"}, {163, "Yes"}, {164, "Push"}, {165, "Sun"}, {166, "Blur"}, {167, "Speckle"},
    {168, "Polygon"}, {169, "Number of Sides"}, {170, "Forward"}, {171, "Backward"},
    {172, "Fly Cell"}, {173, "Pattern"}, {174, "Number of Columns"}, {175, "Number of Rows"},
    {176, "Accordion"}, {177, "Confetti"}, {178, "Away and In"}, {179, "Away"}, {180, "In"},
};

} // namespace

const char* LoadString(int number) {
    auto it = std::lower_bound(std::begin(kStrings), std::end(kStrings), number,
                               [](const SString& s, int n) { return s.number < n; });
    return it != std::end(kStrings) && it->number == number ? it->text : "";
}

} // namespace transfx
