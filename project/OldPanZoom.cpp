#include "project/OldPanZoom.h"

#include "project/AlbumItem.h"

#include <algorithm>
#include <array>

namespace OldPanZoom {

namespace {

double Clamp01(double value) { return std::clamp(value, 0.0, 1.0); }

// The keyframe that shows the crop rectangle filling the frame as far as its
// aspect allows. x and y move the picture centre so that the crop centre lands
// on the frame centre; the scale is relative to the fitted picture.
CKeyFrame CropKey(const std::array<int, 4>& crop, int width, int height, double frameAspect) {
    CKeyFrame key;
    double cropW = std::max(1, crop[2] - crop[0]);
    double cropH = std::max(1, crop[3] - crop[1]);
    // Frame of height 1 and width frameAspect; pixels per picture pixel when
    // fitting the picture, and when fitting the crop rectangle.
    double fitPicture = std::min(frameAspect / width, 1.0 / height);
    double fitCrop = std::min(frameAspect / cropW, 1.0 / cropH);
    key.m_scale = fitCrop / fitPicture;
    double dx = (crop[0] + crop[2]) / 2.0 - width / 2.0;
    double dy = (crop[1] + crop[3]) / 2.0 - height / 2.0;
    key.m_x = -dx * fitCrop / frameAspect;
    key.m_y = dy * fitCrop;
    return key;
}

} // namespace

void RegionsToKeyFrames(const std::vector<SOldRegion>& regions, CAlbumItem& item) {
    item.ClearKeyFrames();
    for (const SOldRegion& region : regions) {
        CKeyFrame key;
        key.m_scale = std::max(1, region.m_zoomPercent) / 100.0;
        key.m_x = (0.5 - region.m_xPercent / 100.0) * key.m_scale;
        key.m_y = (region.m_yPercent / 100.0 - 0.5) * key.m_scale;
        key.m_time = Clamp01(region.m_start);
        item.AddKeyFrame(key);
        key.m_time = Clamp01(std::max(region.m_start, region.m_end));
        item.AddKeyFrame(key);
    }
}

void CropsToKeyFrames(CAlbumItem& item, int width, int height, bool wide, double transition,
                      double display, double following) {
    double aspect = wide ? 16.0 / 9.0 : 4.0 / 3.0;
    CKeyFrame start = CropKey(item.m_legacy.m_oldCropStart, width, height, aspect);
    CKeyFrame end = CropKey(item.m_legacy.m_oldCropEnd, width, height, aspect);
    double total = std::max(0.0, transition) + std::max(0.0, display) + std::max(0.0, following);
    item.ClearKeyFrames();
    start.m_time = 0;
    item.AddKeyFrame(start);
    if (total > 0 && transition > 0) {
        start.m_time = Clamp01(transition / total);
        item.AddKeyFrame(start);
    }
    if (total > 0 && following > 0) {
        end.m_time = Clamp01((total - following) / total);
        item.AddKeyFrame(end);
    }
    end.m_time = 1;
    item.AddKeyFrame(end);
}

} // namespace OldPanZoom
