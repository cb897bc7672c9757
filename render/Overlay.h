#pragma once

#include <string>

// The overlay picture (a logo on every album frame): which file, and where.
// The front end chooses it from its settings and hands it to the director,
// which keeps one for 4:3-like and one for 16:9-like frames.

// Where the overlay sits: a corner of the frame, or its centre.
enum class EOverlayCorner : int {
    kCentre = 0,
    kTopLeft = 1,
    kTopRight = 2,
    kBottomLeft = 3,
    kBottomRight = 4,
};

// A stored corner number as a corner: 1 to 4, anything else the centre.
inline EOverlayCorner OverlayCornerFromNumber(int number) {
    return number >= 1 && number <= 4 ? EOverlayCorner(number) : EOverlayCorner::kCentre;
}

struct SOverlay {
    std::string picture; // empty: no overlay
    EOverlayCorner corner = EOverlayCorner::kCentre;

    bool operator==(const SOverlay&) const = default;
};

// The overlay for standard (4:3) frames and the one for wide (16:9) frames.
struct SOverlayChoice {
    SOverlay standard;
    SOverlay wide;

    [[nodiscard]] const SOverlay& For(bool isWide) const { return isWide ? wide : standard; }
};

// The overlays the user's settings name ("WmStd", "WmWide" and their
// positions).
SOverlayChoice OverlayFromSettings();
