#include "project/Object.h"

const CRuntimeClass CObject::kRuntimeClass{"CObject", nullptr, nullptr};

bool CRuntimeClass::IsDerivedFrom(const CRuntimeClass* base) const {
    for (const CRuntimeClass* cls = this; cls; cls = cls->m_baseClass)
        if (cls == base)
            return true;
    return false;
}
