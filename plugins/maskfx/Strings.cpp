#include "plugins/maskfx/Strings.h"

#include <algorithm>
#include <iterator>

namespace maskfx {
namespace {

struct SString {
    int number;
    const char* text;
};

// Sorted by number. 107 names a mask the module does not carry, so no
// transition uses it.
constexpr SString kStrings[] = {
    {101, "Direction"},    {102, "Forward"},       {103, "Backward"},     {104, "Softness"},
    {105, "Checker Mask"}, {106, "Circle Mask"},   {107, "Broken Glass Mask"},
    {108, "Hands Mask"},   {109, "Heart Mask"},    {110, "Heart2 Mask"},  {111, "Lines Mask"},
    {112, "Lines2 Mask"},  {113, "Paint Mask"},    {114, "Paint2 Mask"},  {115, "Pattern Mask"},
    {116, "Paws Mask"},    {117, "Plasma Mask"},   {118, "Puzzle Mask"},  {119, "Radial Mask"},
    {120, "Star1 Mask"},   {121, "Star2 Mask"},    {122, "Star3 Mask"},   {123, "Star4 Mask"},
    {124, "Texture Mask"}, {125, "Twirl Mask"},    {126, "Twirl2 Mask"},
};

} // namespace

const char* LoadString(int number) {
    auto it = std::lower_bound(std::begin(kStrings), std::end(kStrings), number,
                               [](const SString& s, int n) { return s.number < n; });
    return it != std::end(kStrings) && it->number == number ? it->text : "";
}

} // namespace maskfx
