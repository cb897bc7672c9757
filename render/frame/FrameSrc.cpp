#include "render/frame/FrameSrc.h"

bool CFrameSrc::SetCrop(double x, double y, double width, double height) {
    int pw = m_source.Width(), ph = m_source.Height();
    int cw = int(width * pw), ch = int(height * ph);
    int cx = pw / 2 + int(x * pw), cy = ph / 2 + int(y * ph);
    SRect rect{cx - cw / 2, cy - ch / 2, cx - cw / 2 + cw, cy - ch / 2 + ch};
    return SetCropRect(Intersect(rect, m_source.Bounds()));
}
