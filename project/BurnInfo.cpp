#include "project/BurnInfo.h"

const CRuntimeClass CBurnInfo::kRuntimeClass{"CBurnInfo", &CProjItem::kRuntimeClass, nullptr};
