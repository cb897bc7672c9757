#include "project/ImageSamp.h"

namespace {
CObject* CreateImageSamp() { return new CImageSamp; }
} // namespace

const CRuntimeClass CImageSamp::kRuntimeClass{"CImageSamp", &CAlbumItem::kRuntimeClass,
                                              &CreateImageSamp};
