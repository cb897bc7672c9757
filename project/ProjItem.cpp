#include "project/ProjItem.h"

#include "project/Project.h"

const CRuntimeClass CProjItem::kRuntimeClass{"CProjItem", &CObject::kRuntimeClass, nullptr};

void CProjItem::OnItemChanged(CProjItem* item) {
    if (m_parent)
        m_parent->OnItemChanged(item);
}

CProject* CProjItem::FindProject() const {
    IProjItemListener* parent = m_parent;
    while (parent) {
        if (auto* project = dynamic_cast<CProject*>(parent))
            return project;
        auto* item = dynamic_cast<CProjItem*>(parent);
        parent = item ? item->GetParent() : nullptr;
    }
    return nullptr;
}
