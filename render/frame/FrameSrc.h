#pragma once

#include "render/frame/ImageView.h"

// A clip's source picture: a decoded picture or video frame, the crop
// rectangle inside it, its pixel aspect and rotation code, and the prepared
// view the warp reads. The prepared view holds the crop at the source's own
// resolution, or resampled to the resolution the warp asked for where the
// source can do that (pictures). Any change of what the prepared view shows
// sets the change flag, which the clip's warp cache reads and clears.
class CFrameSrc {
public:
    virtual ~CFrameSrc() = default;

    // Prepares the view for a crop rectangle of the source picture.
    virtual bool SetCropRect(const SRect& rect) = 0;
    // Brings the source to a clip frame; pictures have one frame only.
    virtual bool MoveTo(int /*clipFrame*/) { return true; }
    // Asks for the crop prepared at x by y prepared pixels per crop pixel
    // (along its rows and its columns). A source that can resample gives at
    // most its own resolution; the others keep theirs. Read the scale it
    // gave from PreparedScaleX and PreparedScaleY.
    virtual bool SetPreparedScale(double /*x*/, double /*y*/) { return true; }
    // Makes the prepared view if there is none yet (a source that prepares
    // on demand, see CFrameSrcImage), at the scale last asked for; what the
    // warp calls before it reads the view.
    virtual bool PrepareView() { return true; }

    // A crop in fractions of the picture: width and height, centred at the
    // picture centre plus (x, y) picture sizes; truncated and kept inside.
    bool SetCrop(double x, double y, double width, double height);

    [[nodiscard]] const CImageView& Source() const { return m_source; }
    [[nodiscard]] const CImageView& Prepared() const { return m_prepared; }
    [[nodiscard]] const SRect& Crop() const { return m_crop; }
    // Prepared pixels per crop pixel, along the crop's rows and columns.
    [[nodiscard]] double PreparedScaleX() const { return m_preparedScaleX; }
    [[nodiscard]] double PreparedScaleY() const { return m_preparedScaleY; }
    // The prepared pixels known to be opaque (empty: none known).
    [[nodiscard]] SRect OpaqueArea() const { return Intersect(m_opaque, m_prepared.Bounds()); }
    [[nodiscard]] double PixelAspect() const { return m_pixelAspect; }
    void SetPixelAspect(double aspect) { m_pixelAspect = aspect; }
    [[nodiscard]] int RotationCode() const { return m_rotation; }
    void SetRotationCode(int code) { m_rotation = code; }
    // Whether the prepared view changed since the flag was last taken.
    bool TakeChanged() {
        bool changed = m_changed;
        m_changed = false;
        return changed;
    }

protected:
    CImageView m_source;
    SRect m_crop{0, 0, 0, 0};
    double m_pixelAspect = 1.0;
    int m_rotation = 0;
    bool m_changed = true;
    CImageView m_prepared;
    SRect m_opaque{0, 0, 0, 0};
    double m_preparedScaleX = 1.0, m_preparedScaleY = 1.0;
};
