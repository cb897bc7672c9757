#pragma once

#include "project/Object.h"
#include "project/StyledString.h"

#include <array>
#include <string>

class CProjMenuPage;

// One entry of a DVD menu page. This program reads, keeps and walks the DVD
// menu data but does not use it otherwise.
class CProjMenuPageItem : public CObject {
public:
    static const CRuntimeClass kRuntimeClass;
    [[nodiscard]] const CRuntimeClass* GetRuntimeClass() const override { return &kRuntimeClass; }

    struct SRect {
        int m_left = 0, m_top = 0, m_right = 0, m_bottom = 0;
    };

    CProjMenuPage* m_link = nullptr; // a page of the same menu, not owned
    std::array<int, 2> m_values{};
    SRect m_rect;
    std::string m_picture;
    std::array<int, 7> m_more{};
    CStyledString m_label;
};
