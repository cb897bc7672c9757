// The catalogue of the module: every layout with its texts and maker, in
// CreateEffect order. The count is that of the rows.
#include "plugins/multifx/MultiCatalogue.h"

#include "effects/api/ModuleKit.h"
#include "plugins/multifx/Layout.h"
#include "plugins/multifx/Layouts.h"

#include <iterator>

namespace {

using namespace multifx;

// Internal name, display name, maker. The key-frame layouts come first.
constexpr SLayoutInfo kCatalogue[] = {
    {"Simple Tile", "Simple Tile", NewSimpleTile},
    {"Random Overlap", "Random Overlap", NewRandomOverlap},
    {"Random Overlap with Rotate", "Random Overlap with Rotate", NewRandomOverlapRotate},
    {"Card Spread", "Card Spread", NewCardSpread},
    {"Card Spread and Tile", "Card Spread and Tile", NewCardSpreadTile},
    {"Card Spread with Rotate", "Card Spread with Rotate", NewCardSpreadRotate},
    {"Random Position", "Random Position", NewRandomPosition},
    {"Row Shift", "Row Shift", NewRowShift},
    {"Row Shift with Fade", "Row Shift with Fade", NewRowShiftFade},
    {"Row Shift by 2", "Row Shift by Two", NewRowShiftByTwo},
    {"Column Shift", "Column Shift", NewColumnShift},
    {"Column Shift with Fade", "Column Shift with Fade", NewColumnShiftFade},
    {"Column Shift by 2", "Column Shift by Two", NewColumnShiftByTwo},
    {"Row Zoom", "Row Zoom", NewRowZoom},
    {"Column Zoom", "Column Zoom", NewColumnZoom},
    {"Float Two", "Float Two", NewFloatTwo},
    {"Flow Zoom", "Flow Zoom", NewFlowZoom},
    {"Zoom Tile", "Zoom Tile", NewZoomTile},
    {"Zoom Tile2", "Zoom Tile2", NewZoomTile2},
    {"Circle Rotate", nullptr, NewCircleRotate},
    {"Circle with Changing Pic", nullptr, NewCircleChangingPic},
    {"Tile to Random", nullptr, NewTileToRandom},
};

} // namespace

int CMultiCatalogue::Count() { return int(std::size(kCatalogue)); }

const SLayoutInfo* CMultiCatalogue::Info(int index) {
    return index >= 0 && index < Count() ? &kCatalogue[index] : nullptr;
}

CLayout* CMultiCatalogue::Create(int index) {
    const SLayoutInfo* info = Info(index);
    if (!info)
        return nullptr;
    return effectkit::MakeChecked<CLayout>([info] { return info->make(*info); });
}

const char* CMultiCatalogue::Name(int index) {
    const SLayoutInfo* info = Info(index);
    return info ? info->name : nullptr;
}
