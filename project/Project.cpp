#include "project/Project.h"

#include "base/Settings.h"
#include "project/Album.h"
#include "project/AlbumGrp.h"
#include "project/ProjectListener.h"

#include <algorithm>

const CRuntimeClass CProject::kRuntimeClass{"CProject", &CObject::kRuntimeClass, nullptr};

CProject::CProject()
    : m_subtitleColor(GetSetting(Settings::SubClr)),
      m_subtitleEdgeColor(GetSetting(Settings::SubOutClr)) {
    m_menu.SetParent(this);
    m_burnInfo.SetParent(this);
}

CProject::~CProject() { Reset(); }

void CProject::Reset() {
    m_groups.clear();
    m_menu.Clear();
    m_burnInfo.m_folder.clear();
    m_second = -1;
    m_nextGroupNumber = 1;
    m_subtitleColor = GetSetting(Settings::SubClr);
    m_subtitleEdgeColor = GetSetting(Settings::SubOutClr);
}

CAlbumGrp* CProject::GetGroup(int index) const {
    return index >= 0 && index < int(m_groups.size()) ? m_groups[std::size_t(index)].get()
                                                     : nullptr;
}

CAlbumGrp* CProject::AddGroup(std::unique_ptr<CAlbumGrp> group) {
    CAlbumGrp* raw = group.get();
    if (!raw)
        return nullptr;
    raw->SetParent(this);
    m_groups.push_back(std::move(group));
    return raw;
}

int CProject::GetAlbumCount() const {
    int count = 0;
    for (const auto& group : m_groups)
        count += group->GetAlbumCount();
    return count;
}

CAlbum* CProject::GetAlbum(int globalIndex) const {
    if (globalIndex < 0)
        return nullptr;
    for (const auto& group : m_groups) {
        if (globalIndex < group->GetAlbumCount())
            return group->GetAlbum(globalIndex);
        globalIndex -= group->GetAlbumCount();
    }
    return nullptr;
}

int CProject::GetAlbumIndex(const CAlbum* album) const {
    int base = 0;
    for (const auto& group : m_groups) {
        int index = group->IndexOfAlbum(album);
        if (index >= 0)
            return base + index;
        base += group->GetAlbumCount();
    }
    return -1;
}

void CProject::AddListener(IProjectListener* listener) {
    if (listener && std::find(m_listeners.begin(), m_listeners.end(), listener) == m_listeners.end())
        m_listeners.push_back(listener);
}

void CProject::RemoveListener(IProjectListener* listener) {
    std::erase(m_listeners, listener);
}

void CProject::EnableNotifications(bool enable) {
    m_notify = enable;
    if (enable && m_changePending) {
        m_changePending = false;
        NotifyListeners();
    }
}

void CProject::OnItemChanged(CProjItem*) {
    if (m_notify)
        NotifyListeners();
    else
        m_changePending = true;
}

void CProject::NotifyListeners() {
    // A listener may remove itself while it is told.
    auto listeners = m_listeners;
    for (IProjectListener* listener : listeners)
        listener->OnProjectChanged(this);
}

void CProject::WalkFiles(CFileWalk& walk) {
    for (const auto& group : m_groups)
        group->WalkFiles(walk);
    m_menu.WalkFiles(walk);
}
