#pragma once

// The module's string table: the names of the shipped masks (by the number
// of their mask) and the labels of the parameters.
namespace maskfx {

inline constexpr int kStrDirection = 101;
inline constexpr int kStrForward = 102;
inline constexpr int kStrBackward = 103;
inline constexpr int kStrSoftness = 104;

// The text of string `number`; an empty string for a number without text.
const char* LoadString(int number);

} // namespace maskfx
