#include "project/ProjMenu.h"

#include "project/FileWalk.h"

const CRuntimeClass CProjMenu::kRuntimeClass{"CProjMenu", &CProjItem::kRuntimeClass, nullptr};

void CProjMenu::Clear() {
    m_value = 0;
    m_second = 1;
    m_pages.clear();
    m_morePages.clear();
    m_linkedPages.clear();
}

void CProjMenu::WalkFiles(CFileWalk& walk) {
    for (auto* list : {&m_pages, &m_morePages, &m_linkedPages}) {
        for (auto& page : *list) {
            walk.OnPath(page->m_picture);
            walk.OnSound(page->m_sound);
            for (auto& item : page->m_items)
                walk.OnPath(item->m_picture);
        }
    }
}
