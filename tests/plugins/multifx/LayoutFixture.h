#pragma once

#include "effects/api/EffectInterface.h"
#include "plugins/multifx/Layout.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct SLayoutDeleter {
    void operator()(CLayout* layout) const {
        if (layout)
            layout->Destroy();
    }
};
using CLayoutPtr = std::unique_ptr<CLayout, SLayoutDeleter>;

CLayoutPtr MakeLayout(int index);
// The layout of an internal name; fails the test and gives null when there is none.
CLayoutPtr MakeLayout(const std::string& name);
// The catalogue index of an internal name; −1 when there is none.
int IndexOf(const std::string& name);
// The internal names of the live layouts, which draw their frames themselves.
inline const char* const kLiveLayouts[] = {"Zoom Tile", "Zoom Tile2", "Circle Rotate",
                                           "Circle with Changing Pic", "Tile to Random"};
[[nodiscard]] bool IsLive(const std::string& name);

// A picture of the host for the live layouts: it remembers the transforms it
// is given and answers GetFrame with a block of its colour, opaque, at the
// frame pixels the transform covers (the picture fitted to the frame is the
// whole frame; rotation is ignored).
class CFakeSource final : public ImultifxiSrc {
public:
    CFakeSource(int width, int height, std::uint8_t colour, bool bottomUp = false);

    void SetTransform(double sx, double sy, double dx, double dy, double angle,
                      double opacity) override;
    void GetTransform(double* sx, double* sy, double* dx, double* dy, double* angle,
                      double* opacity) override;
    int GetFrame(int frame, std::uint8_t** bits, int* stride, SEffectRect* rect) override;

    double m_sx = 1, m_sy = 1, m_dx = 0, m_dy = 0, m_angle = 0, m_opacity = 1;
    int m_draws = 0;      // GetFrame calls
    int m_drawOrder = -1; // value of a shared counter at the last GetFrame
    bool m_fail = false;  // GetFrame reports the picture outside its time
    int* m_counter = nullptr;

private:
    int m_width, m_height;
    bool m_bottomUp;
    std::uint8_t m_colour;
    std::vector<std::uint8_t> m_layer;
};
