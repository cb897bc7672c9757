#include "render/clip/IntClipPipeline.h"

#include "render/frame/FrameSrc.h"
#include "render/frame/FrameSrcImage.h"

CIntClipPipeline::CIntClipPipeline(std::unique_ptr<CFrameSrc> source, int width, int height,
                                   double aspect, bool bottomUp)
    : m_source(std::move(source)),
      m_pipeline(width, height, aspect, bottomUp, CClipPipeline::ELayerMemory::kAtFirstPlace),
      m_width(width), m_height(height) {
    m_pipeline.SetSource(m_source.get());
    m_pipeline.SetSnapToPixels(true);
    m_pipeline.SetFit(CClipPipeline::kFitInside);
}

CIntClipPipeline::~CIntClipPipeline() = default;

bool CIntClipPipeline::SetFrameCount(int frames) {
    m_frames = frames;
    return true;
}

bool CIntClipPipeline::SetInPoint(double fraction) {
    m_in = fraction;
    return true;
}

bool CIntClipPipeline::SetOutPoint(double fraction) {
    m_out = fraction;
    return true;
}

bool CIntClipPipeline::SetCrop(double x, double y, double width, double height) {
    if (!m_source->SetCrop(x, y, width, height))
        return false;
    m_pipeline.Refit();
    return OnFitChanged();
}

bool CIntClipPipeline::SetRotation(int code) {
    m_source->SetRotationCode(code);
    m_pipeline.Refit();
    return OnFitChanged();
}

bool CIntClipPipeline::SetFit(int mode) {
    m_pipeline.SetFit(mode);
    return OnFitChanged();
}

bool CIntClipPipeline::SetAdjust(bool autoLevel, double brightness, double contrast) {
    auto* image = dynamic_cast<CFrameSrcImage*>(m_source.get());
    return image && image->SetAdjust(autoLevel, brightness, contrast);
}
