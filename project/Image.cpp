#include "project/Image.h"

namespace {
CObject* CreateImage() { return new CImage; }
} // namespace

const CRuntimeClass CImage::kRuntimeClass{"CImage", &CAlbumItem::kRuntimeClass, &CreateImage};
