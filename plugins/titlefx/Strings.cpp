#include "plugins/titlefx/Strings.h"

namespace titlefx {
namespace {

constexpr int kFirst = 101;

// Numbers 101 to 127, in order.
constexpr const char* kStrings[] = {
    "Wipe",         "Fade",         "Pop-in",      "Pop-out",
    "Shake",        "Stretch",      "Scale-in",    "Rotate",
    "Typewrite",    "Spin",         "Elastic Horizontal", "Elastic Vertical",
    "Scattered",    "Shift Left",   "Shift Right", "Shift Down",
    "Shift Up",     "Cross",        "Split",       "Shadow Left",
    "Shadow Right", "Shadow Down",  "Shadow Up",   "Scroll Left",
    "Scroll Right", "Scroll Down",  "Scroll Up",
};
constexpr int kCount = int(sizeof kStrings / sizeof kStrings[0]);

} // namespace

const char* LoadString(int number) {
    const int i = number - kFirst;
    return i >= 0 && i < kCount ? kStrings[i] : "";
}

} // namespace titlefx
