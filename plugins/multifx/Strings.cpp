#include "plugins/multifx/Strings.h"

#include <algorithm>
#include <iterator>

namespace multifx {
namespace {

struct SString {
    int number;
    const char* text;
};

// Sorted by number.
constexpr SString kStrings[] = {
    {101, "Zoom Tile"},
    {102, "Number of Columns"},
    {103, "Zoom Tile2"},
    {104, "Background Fade"},
    {105, "Yes"},
    {106, "No"},
    {107, "Simple Tile"},
    {108, "Random Overlap"},
    {109, "Random Overlap with Rotate"},
    {110, "Card Spread"},
    {111, "Card Spread and Tile"},
    {112, "Card Spread with Rotate"},
    {113, "Random Position"},
    {114, "Row Shift"},
    {115, "Row Shift with Fade"},
    {116, "Row Shift by Two"},
    {117, "Column Shift"},
    {118, "Column Shift with Fade"},
    {119, "Column Shift by Two"},
    {120, "Row Zoom"},
    {121, "Column Zoom"},
    {122, "Float Two"},
    {123, "Flow Zoom"},
    {124, "Rotating Radius"},
    {125, "Showed Pictures"},
};

} // namespace

const char* LoadString(int number) {
    auto it = std::lower_bound(std::begin(kStrings), std::end(kStrings), number,
                               [](const SString& s, int n) { return s.number < n; });
    return it != std::end(kStrings) && it->number == number ? it->text : "";
}

} // namespace multifx
