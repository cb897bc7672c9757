#include "project/Album.h"
#include "project/AlbumGrp.h"
#include "project/Image.h"
#include "project/MainDoc.h"
#include "project/Project.h"
#include "project/ProjectListener.h"
#include "project/Slide.h"

#include <gtest/gtest.h>

namespace {

struct CCountingListener : IProjectListener {
    void OnProjectChanged(CProject*) override { ++calls; }
    int calls = 0;
};

CAlbumGrp* AddGroupWithAlbums(CProject& project, int albums) {
    CAlbumGrp* group = project.AddGroup(std::make_unique<CAlbumGrp>());
    for (int i = 0; i < albums; ++i)
        group->AddAlbum(std::make_unique<CAlbum>());
    return group;
}

} // namespace

TEST(Project, AlbumsAreCountedAcrossGroups) {
    CProject project;
    CAlbumGrp* first = AddGroupWithAlbums(project, 2);
    CAlbumGrp* second = AddGroupWithAlbums(project, 5);
    EXPECT_EQ(project.GetAlbumCount(), 7);
    EXPECT_EQ(project.GetAlbum(3), second->GetAlbum(1));
    EXPECT_EQ(project.GetAlbum(1), first->GetAlbum(1));
    EXPECT_EQ(project.GetAlbum(7), nullptr);
    EXPECT_EQ(project.GetAlbum(-1), nullptr);
    EXPECT_EQ(project.GetAlbumIndex(second->GetAlbum(4)), 6);
    CAlbum stranger;
    EXPECT_EQ(project.GetAlbumIndex(&stranger), -1);
    EXPECT_EQ(second->GetAlbum(0)->GetGroup(), second);
    EXPECT_EQ(second->GetAlbum(0)->FindProject(), &project);
}

TEST(Project, ChangesReachTheListenersOrWaitWhileDisabled) {
    CProject project;
    CCountingListener listener;
    project.AddListener(&listener);
    project.AddListener(&listener); // once only
    CAlbumGrp* group = AddGroupWithAlbums(project, 1);
    EXPECT_EQ(listener.calls, 1); // adding the album
    CSlide* slide = group->GetAlbum(0)->AddSlide(CSlide());
    CAlbumItem* item = slide->AddItem(CImage("a.jpg"));
    item->NotifyChanged();
    EXPECT_EQ(listener.calls, 2);

    project.EnableNotifications(false);
    item->NotifyChanged();
    slide->NotifyChanged();
    EXPECT_EQ(listener.calls, 2);
    EXPECT_TRUE(project.IsChangePending());
    project.EnableNotifications(true);
    EXPECT_EQ(listener.calls, 3);
    EXPECT_FALSE(project.IsChangePending());
    project.EnableNotifications(true); // nothing pending any more
    EXPECT_EQ(listener.calls, 3);

    project.RemoveListener(&listener);
    item->NotifyChanged();
    EXPECT_EQ(listener.calls, 3);
}

TEST(Project, TheDocumentIsModifiedByChanges) {
    CMainDoc doc;
    EXPECT_FALSE(doc.IsModified());
    AddGroupWithAlbums(doc.GetProject(), 1);
    EXPECT_TRUE(doc.IsModified());
}

TEST(Project, ResetEmptiesTheProject) {
    CProject project;
    AddGroupWithAlbums(project, 3);
    project.SetSubtitleColor(0x123);
    project.m_nextGroupNumber = 9;
    project.GetBurnInfo().m_folder = "/tmp/burn";
    project.GetMenu().m_pages.push_back(std::make_unique<CProjMenuPage>());
    project.Reset();
    EXPECT_EQ(project.GetGroupCount(), 0);
    EXPECT_EQ(project.GetAlbumCount(), 0);
    EXPECT_EQ(project.GetSubtitleColor(), 0xFFFFFF);
    EXPECT_EQ(project.m_nextGroupNumber, 1);
    EXPECT_TRUE(project.GetBurnInfo().m_folder.empty());
    EXPECT_TRUE(project.GetMenu().m_pages.empty());
}

TEST(Project, GroupsFindAlbumsWithSlides) {
    CProject project;
    CAlbumGrp* group = AddGroupWithAlbums(project, 4);
    group->GetAlbum(1)->AddSlide(CSlide());
    EXPECT_EQ(group->FindAlbumWithSlides(0, false), group->GetAlbum(1));
    EXPECT_EQ(group->FindAlbumWithSlides(2, false), nullptr);
    EXPECT_EQ(group->FindAlbumWithSlides(2, true), group->GetAlbum(1));
    EXPECT_EQ(group->FindAlbumWithSlides(-3, false), group->GetAlbum(1));
    EXPECT_EQ(group->FindAlbumWithSlides(99, true), group->GetAlbum(1));
    EXPECT_EQ(group->GetTotalSlideCount(), 1);

    CSlide slide;
    slide.AddItem(CImage("inside.jpg"));
    group->GetAlbum(2)->AddSlide(slide);
    EXPECT_EQ(group->GetPicture(), ""); // album 1's only slide has no item
    group->GetAlbum(1)->m_picture = "album.jpg";
    EXPECT_EQ(group->GetPicture(), "album.jpg");
    group->m_picture = "group.jpg";
    EXPECT_EQ(group->GetPicture(), "group.jpg");

    group->m_name = "Holidays";
    group->m_customTitle = "Our holidays";
    EXPECT_EQ(group->GetTitle(), "Holidays");
    group->m_customTitleFlag = 1;
    EXPECT_EQ(group->GetTitle(), "Our holidays");
}
