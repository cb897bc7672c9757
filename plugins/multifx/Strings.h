#pragma once

// The module's string table: the display names of the layouts that have one
// and the labels of the live layouts' parameters.
namespace multifx {

inline constexpr int kStrZoomTile = 101;
inline constexpr int kStrNumberOfColumns = 102;
inline constexpr int kStrZoomTile2 = 103;
inline constexpr int kStrBackgroundFade = 104;
inline constexpr int kStrYes = 105;
inline constexpr int kStrNo = 106;
// The key-frame layouts' display names, in catalogue order from 107.
inline constexpr int kStrFirstKeyFrameName = 107;
inline constexpr int kStrRotatingRadius = 124;
inline constexpr int kStrShowedPictures = 125;

// The text of string `number`; an empty string for a number without text.
const char* LoadString(int number);

} // namespace multifx
