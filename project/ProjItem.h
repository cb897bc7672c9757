#pragma once

#include "project/Object.h"
#include "project/ProjItemListener.h"

class CProject;

// Base of every model item that reports its changes to a parent. An item is
// also a listener for its own children and forwards their notifications
// unchanged, so a change anywhere reaches the project with the changed item.
//
// The parent is not part of an item's value: copies start detached.
class CProjItem : public CObject, public IProjItemListener {
public:
    static const CRuntimeClass kRuntimeClass;
    [[nodiscard]] const CRuntimeClass* GetRuntimeClass() const override { return &kRuntimeClass; }

    [[nodiscard]] IProjItemListener* GetParent() const { return m_parent; }
    void SetParent(IProjItemListener* parent) { m_parent = parent; }

    // Reports a change of this item to its parent.
    void NotifyChanged() { OnItemChanged(this); }
    void OnItemChanged(CProjItem* item) override;

    // The project this item belongs to, found through its parents; null when
    // the item is not (or not yet) part of a project.
    [[nodiscard]] CProject* FindProject() const;

protected:
    CProjItem() = default;
    CProjItem(const CProjItem& other) : CObject(other) {}
    CProjItem& operator=(const CProjItem&) { return *this; }

private:
    IProjItemListener* m_parent = nullptr;
};
