#pragma once

#include "project/BurnInfo.h"
#include "project/FileWalk.h"
#include "project/ProjItemListener.h"
#include "project/ProjMenu.h"

#include <memory>
#include <vector>

class CAlbum;
class CAlbumGrp;
class IProjectListener;

// The root of the model: groups of albums, the DVD menu, the burn information
// and the subtitle colours every slide's subtitle shares.
class CProject : public CObject, public IProjItemListener, public TFileRefs<CProject> {
public:
    static const CRuntimeClass kRuntimeClass;
    [[nodiscard]] const CRuntimeClass* GetRuntimeClass() const override { return &kRuntimeClass; }

    CProject();
    CProject(const CProject&) = delete;
    CProject& operator=(const CProject&) = delete;
    ~CProject() override;

    // Destroys all groups, clears the DVD menu and the burn folder, and restores
    // the counters and the subtitle colours (from the settings "SubClr" and
    // "SubOutClr").
    void Reset();

    [[nodiscard]] int GetGroupCount() const { return int(m_groups.size()); }
    [[nodiscard]] CAlbumGrp* GetGroup(int index) const;
    // Appends the group and makes the project its parent.
    CAlbumGrp* AddGroup(std::unique_ptr<CAlbumGrp> group);

    // Albums counted over all groups in order: index 0 is the first album of
    // the first group.
    [[nodiscard]] int GetAlbumCount() const;
    [[nodiscard]] CAlbum* GetAlbum(int globalIndex) const;
    [[nodiscard]] int GetAlbumIndex(const CAlbum* album) const;

    [[nodiscard]] int GetSubtitleColor() const { return m_subtitleColor; }
    void SetSubtitleColor(int color) { m_subtitleColor = color; }
    [[nodiscard]] int GetSubtitleEdgeColor() const { return m_subtitleEdgeColor; }
    void SetSubtitleEdgeColor(int color) { m_subtitleEdgeColor = color; }

    // A listener is added at most once; listeners are not owned.
    void AddListener(IProjectListener* listener);
    void RemoveListener(IProjectListener* listener);
    // While disabled, changes only mark the project as changed; enabling again
    // tells the listeners once about what changed meanwhile.
    void EnableNotifications(bool enable);
    [[nodiscard]] bool IsChangePending() const { return m_changePending; }
    void OnItemChanged(CProjItem* item) override;

    void WalkFiles(CFileWalk& walk);

    [[nodiscard]] CProjMenu& GetMenu() { return m_menu; }
    [[nodiscard]] CBurnInfo& GetBurnInfo() { return m_burnInfo; }

    int m_nextGroupNumber = 1;
    int m_second = -1; // kept and stored

private:
    void NotifyListeners();

    CProjMenu m_menu;
    CBurnInfo m_burnInfo;
    std::vector<std::unique_ptr<CAlbumGrp>> m_groups;
    std::vector<IProjectListener*> m_listeners;
    int m_subtitleColor;
    int m_subtitleEdgeColor;
    bool m_notify = true;
    bool m_changePending = false;
};
