#pragma once

#include "project/ProjItem.h"
#include "project/ProjMenuPage.h"

#include <memory>
#include <vector>

class CFileWalk;

// The DVD menu data of a project: two lists of pages.
class CProjMenu : public CProjItem {
public:
    static const CRuntimeClass kRuntimeClass;
    [[nodiscard]] const CRuntimeClass* GetRuntimeClass() const override { return &kRuntimeClass; }

    void Clear();
    // Visits each page's picture and sound and its items' pictures.
    void WalkFiles(CFileWalk& walk);

    int m_value = 0;
    int m_second = 1;
    std::vector<std::unique_ptr<CProjMenuPage>> m_pages;
    std::vector<std::unique_ptr<CProjMenuPage>> m_morePages;
    // Pages that a stream named first through an item's link rather than in one
    // of the two lists; kept so every link points to a live page.
    std::vector<std::unique_ptr<CProjMenuPage>> m_linkedPages;
};
