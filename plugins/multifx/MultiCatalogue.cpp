#include "plugins/multifx/MultiCatalogue.h"

#include "plugins/multifx/Layout.h"
#include "plugins/multifx/Layouts.h"
#include "plugins/multifx/Strings.h"

namespace {

const char* const kNames[CMultiCatalogue::kCount] = {
    "Simple Tile",       "Random Overlap",         "Random Overlap with Rotate",
    "Card Spread",       "Card Spread and Tile",   "Card Spread with Rotate",
    "Random Position",   "Row Shift",              "Row Shift with Fade",
    "Row Shift by 2",    "Column Shift",           "Column Shift with Fade",
    "Column Shift by 2", "Row Zoom",               "Column Zoom",
    "Float Two",         "Flow Zoom",              "Zoom Tile",
    "Zoom Tile2",        "Circle Rotate",          "Circle with Changing Pic",
    "Tile to Random",
};

CLayout* Make(int index) {
    using namespace multifx;
    int nameId = kStrFirstKeyFrameName + index;
    switch (index) {
    case 0:
        return NewSimpleTile(index, nameId);
    case 1:
        return NewRandomOverlap(index, nameId);
    case 2:
        return NewRandomOverlapRotate(index, nameId);
    case 3:
        return NewCardSpread(index, nameId);
    case 4:
        return NewCardSpreadTile(index, nameId);
    case 5:
        return NewCardSpreadRotate(index, nameId);
    case 6:
        return NewRandomPosition(index, nameId);
    case 7:
    case 10:
        return NewShift(index, nameId, index == 10);
    case 8:
    case 11:
        return NewShiftFade(index, nameId, index == 11);
    case 9:
    case 12:
        return NewShiftByTwo(index, nameId, index == 12);
    case 13:
    case 14:
        return NewZoomAcross(index, nameId, index == 14);
    case 15:
        return NewFloatTwo(index, nameId);
    case 16:
        return NewFlowZoom(index, nameId);
    case 17:
        return NewZoomTile(kStrZoomTile);
    case 18:
        return NewZoomTile2(kStrZoomTile2);
    case 19:
        return NewCircleRotate();
    case 20:
        return NewCircleChangingPic();
    case 21:
        return NewTileToRandom();
    default:
        return nullptr;
    }
}

} // namespace

CLayout* CMultiCatalogue::Create(int index) {
    try {
        CLayout* layout = Make(index);
        if (layout && !layout->IsValid()) {
            layout->Destroy();
            return nullptr;
        }
        return layout;
    } catch (...) {
        return nullptr;
    }
}

const char* CMultiCatalogue::Name(int index) {
    return index >= 0 && index < kCount ? kNames[index] : nullptr;
}
