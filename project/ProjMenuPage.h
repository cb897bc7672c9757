#pragma once

#include "project/MusicFile.h"
#include "project/Object.h"
#include "project/ProjMenuPageItem.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

// One page of a DVD menu.
class CProjMenuPage : public CObject {
public:
    static const CRuntimeClass kRuntimeClass;
    [[nodiscard]] const CRuntimeClass* GetRuntimeClass() const override { return &kRuntimeClass; }

    std::array<int, 4> m_values{};
    std::string m_picture;
    std::string m_title;
    CMusicFile m_sound;
    std::vector<std::unique_ptr<CProjMenuPageItem>> m_items;
};
