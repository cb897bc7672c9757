#pragma once

#include <algorithm>
#include <limits>
#include <string>

// The program's settings: five accessors over the section "Settings" of the
// per-user settings file (see CSettingsStore). A value that is absent, or that
// cannot be read as the asked kind, yields the caller's default; reading never
// writes anything back.
//
// Floats are stored as integers holding the bit pattern of a 32-bit IEEE-754
// number, so a float reads back exactly as it was written.
//
// All accessors are safe to call from any thread.

int GetSettingInt(const char* key, int defaultValue);
bool SetSettingInt(const char* key, int value);
std::string GetSettingString(const char* key, const std::string& defaultValue);
bool SetSettingString(const char* key, const std::string& value);
float GetSettingFloat(const char* key, float defaultValue);
bool SetSettingFloat(const char* key, float value);

// Reads a stored integer value as text: decimal with an optional sign, or
// hexadecimal with "0x". Values from -2^31 to 2^32-1 are accepted; those above
// 2^31-1 wrap to negative numbers as a 32-bit registry value would.
bool ParseSettingInt(const std::string& text, int& value);

// Every key of the settings, with its kind and default.
struct SIntSetting {
    const char* name;
    int defaultValue;
    // Values read outside this range are brought into it: a settings file
    // must not make a new album or slide unusable.
    int minValue = std::numeric_limits<int>::min();
    int maxValue = std::numeric_limits<int>::max();
};
struct SStringSetting {
    const char* name;
    const char* defaultValue;
};
struct SFloatSetting {
    const char* name;
    float defaultValue;
};

inline int GetSetting(const SIntSetting& s) {
    return std::clamp(GetSettingInt(s.name, s.defaultValue), s.minValue, s.maxValue);
}
inline std::string GetSetting(const SStringSetting& s) {
    return GetSettingString(s.name, s.defaultValue);
}
inline float GetSetting(const SFloatSetting& s) {
    return GetSettingFloat(s.name, s.defaultValue);
}

namespace Settings {
// Default display time of a picture slide, in seconds (up to ten minutes).
inline constexpr SIntSetting PicDelay{"PicDelay", 2, 0, 600};
// Default transition duration, in seconds (up to a minute).
inline constexpr SIntSetting EffDelay{"EffDelay", 2, 0, 60};
// Default transition effect of a new album or slide.
inline constexpr SStringSetting Effect{"Effect", "Fade Plugin"};
// Fade length of an album's music, seconds; albums keep it in whole seconds.
inline constexpr SFloatSetting AudioFade{"AudioFade", 4.0f};
// Colour (0x00BBGGRR) around a picture.
inline constexpr SIntSetting ImgBkColor{"ImgBkColor", 0};
// 1: 16:9 output, anything else 4:3.
inline constexpr SIntSetting AspRatio{"AspRatio", 0};
// Converting projects before version 12: non-zero drops the transition overlap.
inline constexpr SIntSetting OldPanZoom{"OldPanZoom", 0};
// Subtitle text and edge colours.
inline constexpr SIntSetting SubClr{"SubClr", 0xFFFFFF};
inline constexpr SIntSetting SubOutClr{"SubOutClr", 0};
// Style of a new caption in the text form of a styled string. The key's spelling
// is the one stored in existing settings files.
inline constexpr SStringSetting TextStlye{"TextStlye", "Arial,20,288,16777215,0,16777215,"};
// In/out share of a new caption's text effect, percent.
inline constexpr SIntSetting TextEffDur{"TextEffDur", 33};
// 1 warns before an old project version is read.
inline constexpr SIntSetting WarnOldKVS{"WarnOldKVS", 1};
// Folders last used for pictures and for output; their defaults are the user's
// pictures and documents folders (see GetUserFolder).
inline constexpr SStringSetting UpathImg{"UpathImg", ""};
inline constexpr SStringSetting UpathProj{"UpathProj", ""};
// Exponent placing the decode size of a zoomed picture between its zoom extremes.
inline constexpr SFloatSetting AALoadFactor{"AALoadFactor", 0.75f};
// Overlay pictures for 4:3 and 16:9 output and their corners (1 to 4, else centred).
inline constexpr SStringSetting WmStd{"WmStd", ""};
inline constexpr SStringSetting WmWide{"WmWide", ""};
inline constexpr SIntSetting WmStdPos{"WmStdPos", 0};
inline constexpr SIntSetting WmWidePos{"WmWidePos", 0};
// Television standard choice of the output page.
inline constexpr SIntSetting PAL{"PAL", 0};
// 1 hands MPEG encoding to the external encoder program when it is installed.
inline constexpr SIntSetting Encoder{"Encoder", 0};
// The external encoder program and its profile per output format.
inline constexpr SStringSetting TMpgEnc{"TMpgEnc", ""};
inline constexpr SStringSetting TMpgEncVcdPAL{"TMpgEncVcdPAL", ""};
inline constexpr SStringSetting TMpgEncVcdNTSC{"TMpgEncVcdNTSC", ""};
inline constexpr SStringSetting TMpgEncSvcdPAL{"TMpgEncSvcdPAL", ""};
inline constexpr SStringSetting TMpgEncSvcdNTSC{"TMpgEncSvcdNTSC", ""};
inline constexpr SStringSetting TMpgEncDvdPAL{"TMpgEncDvdPAL", ""};
inline constexpr SStringSetting TMpgEncDvdNTSC{"TMpgEncDvdNTSC", ""};
} // namespace Settings
