#pragma once

// The reference album of the render benchmarks: ten 4000 x 3000 JPEG photos,
// 4 s each with 1 s transitions, pan and zoom from 1.0 to a given scale on
// every photo. The photos are made once in a folder and kept.
#include "encode/AlbumFrameSrc.h"
#include "imgcore/CPU.h"
#include "project/Album.h"
#include "project/Image.h"
#include "project/Slide.h"
#include "tests/support/MediaMaker.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace ReferenceAlbum {

constexpr int kPhotos = 10;

// Photos with detail everywhere (rings and gradients), so decoding and
// warping do real work.
inline std::string MakePhoto(const std::string& folder, int index) {
    std::string path = folder + "/photo" + std::to_string(index) + ".jpg";
    if (std::filesystem::exists(path))
        return path;
    STestImage image(4000, 3000, [index](int x, int y) {
        double r = std::hypot(x - 2000.0, y - 1500.0);
        auto ring = std::uint8_t(127 + 120 * std::sin(r / (20.0 + index)));
        return std::array<std::uint8_t, 4>{ring, std::uint8_t(x * 255 / 4000),
                                           std::uint8_t(y * 255 / 3000), 255};
    });
    std::ofstream(path, std::ios::binary) << JpegBytes(image, {.quality = 90});
    return path;
}

// The folder given, or $TMPDIR/kelvclip-bench-photos, with every photo made.
inline std::string PhotoFolder(const char* given) {
    std::string folder = given ? given
                               : (std::filesystem::temp_directory_path() / "kelvclip-bench-photos").string();
    std::filesystem::create_directories(folder);
    for (int i = 0; i < kPhotos; ++i)
        MakePhoto(folder, i);
    return folder;
}

// The album's slides over the photos given (kPhotos of them), each zoomed
// from 1.0 to zoom.
inline void BuildFrom(CAlbum& album, const std::vector<std::string>& photos, double zoom) {
    album.m_transitionName = "Fade Plugin";
    album.m_transitionLength = 1;
    for (int i = 0; i < kPhotos; ++i) {
        CSlide slide;
        slide.m_displayTime = 4;
        slide.m_transitionLength = 1;
        slide.SetTransitionName(i % 2 ? "Wipe Plugin" : "Fade Plugin");
        CImage image(photos[std::size_t(i)]);
        image.ClearKeyFrames();
        CKeyFrame start, end;
        end.m_time = 1;
        end.m_scale = zoom;
        end.m_x = zoom > 1 ? 0.05 : 0;
        image.AddKeyFrame(start);
        image.AddKeyFrame(end);
        slide.AddItem(image);
        album.AddSlide(slide);
    }
}

inline void Build(CAlbum& album, const std::string& folder, double zoom) {
    std::vector<std::string> photos;
    for (int i = 0; i < kPhotos; ++i)
        photos.push_back(MakePhoto(folder, i));
    BuildFrom(album, photos, zoom);
}

// An album drawn as an encode draws it: 720 x 576 PAL at 25 frames per
// second (or the size, pixel shape and rate given), every frame through
// CAlbumFrameSrc::GetFrame and, with convert, turned into the 4:2:0 picture
// an MPEG-2 or H.264 encoder takes (BT.709 above 576 lines), as the video
// encoder element does before it hands a picture over. assets: the
// template the album's files come from (null: files on disc). The time to
// the first frame's slots, the time of the frames, and the frames that
// waited for a slide to load. Ends the program when the album or a frame
// fails.
struct STimedRender {
    int frames = 0;
    double loadSeconds = 0, renderSeconds = 0;
    int waits = 0;
    std::string waitedAt; // " 250 500 …"
};

inline STimedRender RenderTimed(CAlbum& album, int width = 720, int height = 576,
                                double pixelAspect = 16.0 / 15.0, double rate = 25,
                                IAssetLoader* assets = nullptr, bool convert = false) {
    // A template's captions are drawn, as the command line draws them.
    CAlbumFrameSrc source(assets != nullptr);
    source.SetAlbum(&album, assets);
    const int size[2] = {width, height};
    const auto t0 = std::chrono::steady_clock::now();
    if (!source.SetOutputFormat(size, pixelAspect, rate, 1, nullptr)) {
        std::fprintf(stderr, "the album cannot be loaded\n");
        std::exit(1);
    }
    const auto t1 = std::chrono::steady_clock::now();
    STimedRender r;
    r.frames = int(source.GetFrameCount());
    // The encoder's picture: luma, then the two quarter-size chroma planes.
    const int chromaWidth = width / 2, chromaHeight = height / 2;
    std::vector<Ipp8u> picture(std::size_t(width) * height +
                               2 * std::size_t(chromaWidth) * chromaHeight);
    Ipp8u* planes[3] = {picture.data(), picture.data() + std::size_t(width) * height,
                        picture.data() + std::size_t(width) * height +
                            std::size_t(chromaWidth) * chromaHeight};
    int strides[3] = {width, chromaWidth, chromaWidth};
    int stride = 0;
    for (int f = 0; f < r.frames; ++f) {
        const int before = source.Director()->LoadWaits();
        const std::uint8_t* pixels = source.GetFrame(f, &stride);
        if (!pixels) {
            std::fprintf(stderr, "frame %d failed\n", f);
            std::exit(1);
        }
        if (convert) {
            // Frames come bottom-up (a negative stride from the lowest row).
            const Ipp8u* top =
                stride < 0 ? pixels + std::size_t(height - 1) * std::size_t(-stride) : pixels;
            const IppiSize roi{width & ~1, height & ~1};
            if (height > 576)
                CCPU::ippiBGRToYCbCr420_709CSC_8u_AC4P3R(top, stride, planes, strides, roi);
            else
                CCPU::ippiBGRToYCbCr420_8u_AC4P3R(top, stride, planes, strides, roi);
        }
        if (source.Director()->LoadWaits() != before)
            r.waitedAt += " " + std::to_string(f);
    }
    const auto t2 = std::chrono::steady_clock::now();
    r.loadSeconds = std::chrono::duration<double>(t1 - t0).count();
    r.renderSeconds = std::chrono::duration<double>(t2 - t1).count();
    r.waits = source.Director()->LoadWaits();
    return r;
}

} // namespace ReferenceAlbum
