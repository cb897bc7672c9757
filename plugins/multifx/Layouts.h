#pragma once

#include "plugins/multifx/MultiCatalogue.h"

// The makers of the module's layouts, one file per layout (the row and column
// variants of a movement share their file). Each returns a new object, or
// null when memory runs out; info is the layout's catalogue entry.
namespace multifx {

CLayout* NewSimpleTile(const SLayoutInfo& info);
CLayout* NewRandomOverlap(const SLayoutInfo& info);
CLayout* NewRandomOverlapRotate(const SLayoutInfo& info);
CLayout* NewCardSpread(const SLayoutInfo& info);
CLayout* NewCardSpreadTile(const SLayoutInfo& info);
CLayout* NewCardSpreadRotate(const SLayoutInfo& info);
CLayout* NewRandomPosition(const SLayoutInfo& info);
CLayout* NewRowShift(const SLayoutInfo& info);
CLayout* NewColumnShift(const SLayoutInfo& info);
CLayout* NewRowShiftFade(const SLayoutInfo& info);
CLayout* NewColumnShiftFade(const SLayoutInfo& info);
CLayout* NewRowShiftByTwo(const SLayoutInfo& info);
CLayout* NewColumnShiftByTwo(const SLayoutInfo& info);
CLayout* NewRowZoom(const SLayoutInfo& info);
CLayout* NewColumnZoom(const SLayoutInfo& info);
CLayout* NewFloatTwo(const SLayoutInfo& info);
CLayout* NewFlowZoom(const SLayoutInfo& info);

CLayout* NewZoomTile(const SLayoutInfo& info);
CLayout* NewZoomTile2(const SLayoutInfo& info);
CLayout* NewCircleRotate(const SLayoutInfo& info);
CLayout* NewCircleChangingPic(const SLayoutInfo& info);
CLayout* NewTileToRandom(const SLayoutInfo& info);

} // namespace multifx
