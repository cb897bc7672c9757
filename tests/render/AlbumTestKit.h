#pragma once

#include "project/Album.h"
#include "project/Image.h"
#include "project/Slide.h"
#include "render/frame/ImageView.h"
#include "tests/support/MediaMaker.h"
#include "tests/support/TempDir.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

// Albums of flat-coloured pictures for the renderer tests.
namespace AlbumTestKit {

// A PNG of one opaque colour (blue, green, red) written into the folder.
inline std::string FlatPicture(const CTempDir& dir, const std::string& name, int width, int height,
                               std::array<std::uint8_t, 3> bgr) {
    STestImage image(width, height, [bgr](int, int) {
        return std::array<std::uint8_t, 4>{bgr[0], bgr[1], bgr[2], 255};
    });
    return dir.WriteFile(name, PngBytes(image, false));
}

// Appends a slide showing the files (one item each) with its times.
inline CSlide* AddSlide(CAlbum& album, std::initializer_list<std::string> files, double display,
                        double transition, const std::string& effect = "Fade Plugin") {
    CSlide slide;
    slide.m_displayTime = display;
    slide.m_transitionLength = transition;
    slide.SetTransitionName(effect);
    slide.m_backgroundColor = 0;
    for (const std::string& file : files)
        slide.AddItem(CImage(file));
    return album.AddSlide(slide);
}

// The pixel at picture column x, row y (top-down) as B, G, R, A.
inline std::array<std::uint8_t, 4> Pixel(const CImageView& view, int x, int y) {
    const std::uint8_t* p = view.Row(y) + 4 * x;
    return {p[0], p[1], p[2], p[3]};
}

inline bool AllZero(const CImageView& view) {
    for (int y = 0; y < view.Height(); ++y)
        for (int x = 0; x < 4 * view.Width(); ++x)
            if (view.Row(y)[x])
                return false;
    return true;
}

using BGRA = std::array<std::uint8_t, 4>;

} // namespace AlbumTestKit
