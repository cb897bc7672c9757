#pragma once

#include "render/clip/ClipPipeline.h"

#include <memory>

class CFrameSrc;

// One picture or video clip of a slide renderer: its source, the pipeline
// that places it, and the part of the slide's frames in which it is shown
// (in and out points as fractions of the slide). The pipeline's layer takes
// its memory when the clip is first drawn.
class CIntClipPipeline {
public:
    CIntClipPipeline(std::unique_ptr<CFrameSrc> source, int width, int height, double aspect,
                     bool bottomUp);
    CIntClipPipeline(const CIntClipPipeline&) = delete;
    CIntClipPipeline& operator=(const CIntClipPipeline&) = delete;
    virtual ~CIntClipPipeline();

    virtual bool SetFrameCount(int frames);
    virtual bool SetInPoint(double fraction);
    virtual bool SetOutPoint(double fraction);
    // Crop centre offset and size in fractions of the picture.
    virtual bool SetCrop(double x, double y, double width, double height);
    virtual bool SetRotation(int code);
    virtual bool SetFit(int mode);
    // Brightness, contrast and automatic levels; pictures only (false for clips).
    virtual bool SetAdjust(bool autoLevel, double brightness, double contrast);

    // The clip's frames: [RangeBegin, RangeEnd).
    [[nodiscard]] int RangeBegin() const { return int(m_in * (m_frames - 1) + 0.5); }
    [[nodiscard]] int RangeEnd() const { return int(m_out * (m_frames - 1) + 0.5) + 1; }
    [[nodiscard]] bool InRange(int frame) const {
        return m_frames > 0 && frame >= RangeBegin() && frame < RangeEnd();
    }
    [[nodiscard]] int FrameCount() const { return m_frames; }
    [[nodiscard]] CFrameSrc& Source() const { return *m_source; }
    [[nodiscard]] CClipPipeline& Pipeline() { return m_pipeline; }
    [[nodiscard]] int Width() const { return m_width; }
    [[nodiscard]] int Height() const { return m_height; }

protected:
    // The fit factors or rotation changed.
    virtual bool OnFitChanged() { return true; }

    std::unique_ptr<CFrameSrc> m_source;
    CClipPipeline m_pipeline;
    int m_width, m_height;
    int m_frames = 0;
    double m_in = 0, m_out = 1;
};
