#pragma once

#include "render/frame/ImageView.h"
#include "render/frame/PixelBuffer.h"

#include <cstdint>
#include <memory>
#include <vector>

class CFrameSrc;

// One placed clip: fits its source to the output frame, warps it into a
// full-frame layer with one affine transform (position, scale, angle,
// opacity) and composes the layer onto a frame. The warp is skipped when
// neither the transform nor the source changed.
class CClipPipeline {
public:
    enum EFit : int { kFitInside = 1, kFill = 2, kStretch = 3, kNaturalSize = 4 };
    // What offsets of +-0.5 frame units reach: the frame's edges with the
    // picture's centre, or (inside corners) the picture's edges with the
    // frame's, so a picture placed at a corner lies wholly inside it.
    enum class EAnchor { kCentre, kInsideCorners };

    // The frame-sized picture a pipeline warps into and composes from. A
    // pipeline has one of its own, or takes turns in one with other pipelines
    // that draw one after another on the same thread and compose each warp at
    // once (captions do): a warp then replaces whatever the previous one left.
    // A shared layer allocates its pixels at its first warp and gives them
    // back on Release.
    class CLayer {
    public:
        CLayer(int width, int height, bool bottomUp);
        CLayer(const CLayer&) = delete;
        CLayer& operator=(const CLayer&) = delete;

        [[nodiscard]] int Width() const { return m_width; }
        [[nodiscard]] int Height() const { return m_height; }
        [[nodiscard]] bool IsBottomUp() const { return m_bottomUp; }
        // Frees the pixels; the next warp into it allocates them again.
        void Release();
        [[nodiscard]] std::size_t Bytes() const { return m_pixels.Bytes(); }

    private:
        friend class CClipPipeline;
        // Pixels cleared to transparent, allocated when missing; false when
        // they cannot be had.
        bool Allocate();

        int m_width, m_height;
        bool m_bottomUp;
        CPixelBuffer m_pixels;
        CImageView m_view;
        SRect m_written{0, 0, 0, 0}; // may hold non-zero pixels
        std::uint64_t m_user = 0;    // the pipeline whose warp it holds (0: none)
    };

    // When a pipeline's own layer takes its memory: at once, or at the first
    // Place (a clip that is never drawn then costs none).
    enum class ELayerMemory { kNow, kAtFirstPlace };

    // Output frame of width x height pixels whose pixel aspect (width over
    // height) is aspect; bottomUp gives the layer's row order.
    CClipPipeline(int width, int height, double aspect, bool bottomUp,
                  ELayerMemory memory = ELayerMemory::kNow);
    // The same warping into a shared layer, whose size and row order are the
    // output frame's.
    CClipPipeline(CLayer& shared, double aspect);
    CClipPipeline(const CClipPipeline&) = delete;
    CClipPipeline& operator=(const CClipPipeline&) = delete;
    ~CClipPipeline();

    void SetSource(CFrameSrc* source) {
        m_source = source;
        m_dirtyCache = m_newPlacement = true;
    }
    // referenceHeight: for kNaturalSize, the frame height at which a source
    // pixel is one frame pixel (0: the frame's own).
    void SetFit(int mode, int referenceHeight = 0, EAnchor anchor = EAnchor::kCentre);
    void Refit();
    // Whether the picture, upright at its fitted size, lands on whole pixels:
    // where its size and the frame's differ by an odd number of pixels,
    // centring would put it between pixels and blur it, so every placement
    // moves by half a pixel on that axis. For pictures and clips; captions
    // keep their exact positions.
    void SetSnapToPixels(bool snap) { m_snap = snap; Refit(); }

    // Warps the source into the layer: position in pixels from the frame
    // centre (memory-row coordinates), scale relative to the fit, angle in
    // radians, opacity 0..255.
    bool Place(double x, double y, double scaleX, double scaleY, double angle, double opacity);
    // Has the source prepare, ahead of drawing, the sizes an upright zoom
    // between lo and hi (relative to the fit) will ask for, ending with the
    // smallest: sources that keep prepared sizes then need no resample on the
    // render thread. Call where loading happens, before the clip is drawn.
    void PrepareForZooms(double lo, double hi);
    // Composes the layer over lower (or over the target itself) into target.
    bool Compose(const CImageView& target, const CImageView* lower, bool additive);
    // The layer over an opaque colour into target, and the rest of target
    // filled with it: the pixels of filling target and composing over it,
    // without writing the layer's part twice.
    bool ComposeOnColour(CImageView& target, std::uint32_t colour);
    // Place and ComposeOnColour in one, with the same pixels. A moving
    // picture is warped straight into target, which saves the layer's memory
    // and, where the picture is opaque, a pass over the frame; one that stays
    // where it was is warped into the layer once and composed from there.
    bool PlaceOnColour(CImageView& target, std::uint32_t colour, double x, double y, double scaleX,
                       double scaleY, double angle, double opacity);
    void Clear();

    [[nodiscard]] double FitX() const { return m_sx; }
    [[nodiscard]] double FitY() const { return m_sy; }
    [[nodiscard]] double UnitX() const { return m_ux; }
    [[nodiscard]] double UnitY() const { return m_uy; }
    [[nodiscard]] double BaseRotation() const { return m_baseRotation; }
    [[nodiscard]] const SRect& Dirty() const { return m_dirty; }
    [[nodiscard]] const CImageView& Layer() const { return m_layer->m_view; }
    // How many warps ran (the cache skips the others).
    [[nodiscard]] int WarpCount() const { return m_warps; }

private:
    // One warp of the prepared source into the layer: the affine transform
    // (prepared pixels to layer memory coordinates), the frame pixels a
    // prepared pixel spans, and top-down rectangles: the picture's bound, the
    // pixels it computes from the picture alone, and all it can write (the
    // smooth edge reaches up to a source pixel beyond the bound).
    struct SWarp {
        double coeffs[2][3];
        double perPixelX, perPixelY;
        SRect dirty, overwritten, reach;
        SRect opaque; // the pixels warped from the source's opaque area alone
    };
    // The steps of Place: the source prepared near the drawn size, the warp
    // planned, what the layer's last warp left cleared, and the warp drawn
    // at the opacity.
    bool PrepareSource(double scaleX, double scaleY, double cosine, double sine);
    bool PlanWarp(double x, double y, double scaleX, double scaleY, double cosine, double sine,
                  SWarp& warp) const;
    // Place's warp into the layer, skipped when the layer holds this
    // placement already and the source did not change.
    bool WarpIntoLayer(double x, double y, double scaleX, double scaleY, double angle, int alpha,
                       bool sourceChanged);
    void ClearForWarp(const SWarp& warp);
    // The warp into `into` (the layer, or a frame of its size and row
    // order) over reach (top-down rows), at the opacity.
    bool DrawWarp(const SWarp& warp, const CImageView& into, const SRect& reach, int alpha);
    // top's area (premultiplied) over the colour into target's; top may be
    // target itself.
    bool OverColour(const CImageView& top, CImageView& target, const SRect& area,
                    std::uint32_t colour);

    // Whether the layer holds this pipeline's last warp.
    [[nodiscard]] bool HoldsLayer() const { return m_layer->m_user == m_id; }

    // The plain colour OverColour puts under a picture, a row of it.
    std::vector<std::uint32_t> m_colourRow;
    std::unique_ptr<CLayer> m_own;
    CLayer* m_layer;
    // Tells this pipeline's warps from others' in a shared layer; unique for
    // the process's lifetime, so a later pipeline never passes for an earlier
    // one.
    std::uint64_t m_id;
    int m_width, m_height;
    double m_aspect;
    bool m_bottomUp;
    SRect m_dirty{0, 0, 0, 0};

    CFrameSrc* m_source = nullptr;
    int m_mode = kFitInside;
    int m_referenceHeight = 0;
    EAnchor m_anchor = EAnchor::kCentre;
    double m_sx = 1, m_sy = 1, m_ux = 0, m_uy = 0, m_baseRotation = 0;
    // Frame pixels a source pixel spans at the fitted size (see Place).
    double m_fittedX = 1, m_fittedY = 1;
    bool m_snap = false;
    double m_snapX = 0, m_snapY = 0; // the half pixels added to placements

    bool m_dirtyCache = true;
    double m_last[6] = {}; // the placement the layer holds
    // PlaceOnColour: the last placement drawn either way, and whether the
    // source, fit or layer changed since.
    double m_lastOnColour[6] = {};
    bool m_newPlacement = true;
    int m_warps = 0;
};
