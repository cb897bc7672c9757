#pragma once

class CLayout;

// The makers of the module's layouts, one per file (the row and column
// variants of a movement share theirs). Each returns a new object, or null
// when memory runs out; index is the layout's place in the catalogue.
namespace multifx {

CLayout* NewSimpleTile(int index, int nameId);
CLayout* NewRandomOverlap(int index, int nameId);
CLayout* NewRandomOverlapRotate(int index, int nameId);
CLayout* NewCardSpread(int index, int nameId);
CLayout* NewCardSpreadTile(int index, int nameId);
CLayout* NewCardSpreadRotate(int index, int nameId);
CLayout* NewRandomPosition(int index, int nameId);
// vertical: the column variant.
CLayout* NewShift(int index, int nameId, bool vertical);
CLayout* NewShiftFade(int index, int nameId, bool vertical);
CLayout* NewShiftByTwo(int index, int nameId, bool vertical);
CLayout* NewZoomAcross(int index, int nameId, bool vertical);
CLayout* NewFloatTwo(int index, int nameId);
CLayout* NewFlowZoom(int index, int nameId);

CLayout* NewZoomTile(int nameId);
CLayout* NewZoomTile2(int nameId);
CLayout* NewCircleRotate();
CLayout* NewCircleChangingPic();
CLayout* NewTileToRandom();

} // namespace multifx
