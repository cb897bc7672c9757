#include "render/Overlay.h"

#include "base/Settings.h"

SOverlayChoice OverlayFromSettings() {
    SOverlayChoice choice;
    choice.standard = {GetSetting(Settings::WmStd),
                       OverlayCornerFromNumber(GetSetting(Settings::WmStdPos))};
    choice.wide = {GetSetting(Settings::WmWide),
                   OverlayCornerFromNumber(GetSetting(Settings::WmWidePos))};
    return choice;
}
