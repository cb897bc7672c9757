#include "project/ProjMenuPage.h"

namespace {
CObject* CreateMenuPage() { return new CProjMenuPage; }
} // namespace

const CRuntimeClass CProjMenuPage::kRuntimeClass{"CProjMenuPage", &CObject::kRuntimeClass,
                                                 &CreateMenuPage};
