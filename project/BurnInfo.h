#pragma once

#include "project/ProjItem.h"

#include <string>

// Disc-writing information of a project; this program only reads and copies it.
class CBurnInfo : public CProjItem {
public:
    static const CRuntimeClass kRuntimeClass;
    [[nodiscard]] const CRuntimeClass* GetRuntimeClass() const override { return &kRuntimeClass; }

    std::string m_folder;
};
