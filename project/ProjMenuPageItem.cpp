#include "project/ProjMenuPageItem.h"

namespace {
CObject* CreateMenuPageItem() { return new CProjMenuPageItem; }
} // namespace

const CRuntimeClass CProjMenuPageItem::kRuntimeClass{"CProjMenuPageItem", &CObject::kRuntimeClass,
                                                     &CreateMenuPageItem};
