#pragma once

#include <vector>

class CAlbumItem;

// A view region of a picture in files of versions 12 to 14: the picture shown
// at a zoom (100 = fitted to the frame) around a centre given in percent of the
// picture's width and height, held from one time to another (fractions of the
// item's time on screen).
struct SOldRegion {
    int m_zoomPercent = 100;
    float m_xPercent = 50;
    float m_yPercent = 50;
    double m_start = 0;
    double m_end = 0;
};

// Turns the pan and zoom of old files into keyframes.
namespace OldPanZoom {

// Each region becomes two keyframes, at its start and end, showing its view.
// The picture is assumed to fill the frame in its fitted size.
void RegionsToKeyFrames(const std::vector<SOldRegion>& regions, CAlbumItem& item);

// Files before version 12 moved from a start crop rectangle, shown at the end
// of the incoming transition, to an end crop rectangle, shown when the
// following transition begins; during the transitions the view stands still.
// The rectangles are in pixels of a width x height picture; the frame is 4:3,
// or 16:9 when wide. Times are seconds.
void CropsToKeyFrames(CAlbumItem& item, int width, int height, bool wide, double transition,
                      double display, double following);

} // namespace OldPanZoom
