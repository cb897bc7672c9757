// Streams in the layouts of older versions, written by hand field by field, are
// read into the current model.
#include "base/Settings.h"
#include "project/Album.h"
#include "project/AlbumGrp.h"
#include "project/ArchiveWriter.h"
#include "project/MainDoc.h"
#include "project/Slide.h"
#include "tests/support/FakeMediaProbe.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// Writes the parts of old layouts that tests repeat.
class COldStream {
public:
    explicit COldStream(const char* version) {
        m_ar.WriteDword(0xCEFABEBA);
        m_ar.WriteString(version);
    }
    CArchiveWriter& operator*() { return m_ar; }
    CArchiveWriter* operator->() { return &m_ar; }

    void Ints(std::initializer_list<int> values) {
        for (int v : values)
            m_ar.WriteInt(v);
    }
    void Doubles(std::initializer_list<double> values) {
        for (double v : values)
            m_ar.WriteDouble(v);
    }
    void NewClass(const char* name) {
        m_ar.WriteWord(0xFFFF);
        m_ar.WriteWord(0);
        m_ar.WriteWord(std::uint16_t(std::strlen(name)));
        for (const char* c = name; *c; ++c)
            m_ar.WriteByte(std::uint8_t(*c));
    }
    // The random-choice block of versions 10 to 14.
    void RandomChoiceBlock() {
        Ints({7, 1});
        m_ar.WriteString("list");
        m_ar.WriteInt(1);
        m_ar.WriteString("Fade Plugin");
        m_ar.WriteInt(3);
        m_ar.WriteInt(1);
        m_ar.WriteString("name");
    }
    // The old DVD menu block of versions before 15.
    void OldMenuBlock(double version) {
        for (int i = 0; i < 3; ++i)
            m_ar.WriteString("menu");
        if (version >= 3)
            for (int i = 0; i < (version >= 10 ? 5 : 4); ++i)
                m_ar.WriteInt(i);
        for (int i = 0; i < 2; ++i) {
            m_ar.WriteString("button");
            Ints({1, 2});
        }
        for (int i = 0; i < (version >= 12 ? 3 : 2); ++i)
            m_ar.WriteDouble(0.5);
        m_ar.WriteInt(1);
        for (int i = 0; i < 10; ++i)
            m_ar.WriteInt(i);
        m_ar.WriteInt(1);
        m_ar.WriteString("entry");
        Ints({3, 4});
    }

    CProjectReader::EResult Read(CMainDoc& doc, std::string& error) {
        return doc.LoadFromMemory(m_ar.Bytes().data(), m_ar.Bytes().size(), error);
    }

private:
    CArchiveWriter m_ar;
};

} // namespace

TEST(OldVersions, Version14AlbumsOfMediaItemsBecomeSlides) {
    CScopedSettings settings;
    CFakeMediaProbe probe;
    probe.AddVideo("/clips/v.mp4", 4.0, true, 100);

    COldStream s("14.00");
    s.Ints({2, -1, 1});           // project: next group, second, one group
    s->WriteString("Family");     // group
    s.Ints({3, -1});
    s->WriteString("");           // group picture
    s->WriteInt(1);               // one album
    s->WriteString("Trip");       // album
    s->WriteString("skipped");
    s.Doubles({1, 2});
    s->WriteString("");           // empty effect name: the setting
    s->WriteDouble(-1);           // negative length: the setting
    s.RandomChoiceBlock();        // always there in version 14
    s->WriteInt(0);
    s->WriteInt(0);               // no music
    s->WriteInt(2);               // two slides, stored as media items
    s.NewClass("CImage");
    s->WriteString("/pics/a.jpg");
    s->WriteString("Wipe Plugin");
    s.Doubles({5.0, 2.0});        // display time, transition length
    s->WriteInt(0);               // version 11 integer
    s->WriteInt(1);               // one region
    s->WriteInt(200);
    s->WriteFloat(25.0f);
    s->WriteFloat(50.0f);
    s.Doubles({0.0, 1.0});
    s->WriteInt(1);               // one caption record
    s->WriteString("Hi");
    s.Ints({400, 150});
    s->WriteInt(-1);              // background colour: the setting
    s.NewClass("CVideo");
    s->WriteString("/clips/v.mp4");
    s->WriteString("");
    s.Doubles({-1.0, 1.0});
    s.Ints({50, 25, 74});         // volume, first and last frame
    s->WriteInt(40);              // music level percent
    s.Doubles({0.5, 0.25, 0.3, 0.4});
    s->WriteInt(0);
    s->WriteInt(2);               // music flags
    s.Ints({1, 3, 250});          // fade-in, fade-out, volume
    s->WriteInt(0);               // versions 13 and 14
    s->WriteInt(0);               // group flag
    s->WriteInt(0);               // project integer of versions 3 to 14
    s.RandomChoiceBlock();
    s.OldMenuBlock(14);
    s->WriteString("C:\\Burn\\"); // burn folder

    SetSettingInt("ImgBkColor", 0x445566);
    SetSettingInt("SubClr", 0x00FF00);
    CMainDoc doc;
    std::string error;
    ASSERT_EQ(s.Read(doc, error), CProjectReader::kLoaded) << error;
    CProject& project = doc.GetProject();
    EXPECT_EQ(project.GetSubtitleColor(), 0x00FF00);
    EXPECT_EQ(project.GetBurnInfo().m_folder, "C:\\Burn\\");
    EXPECT_EQ(project.GetGroup(0)->m_name, "Family");
    CAlbum* album = project.GetAlbum(0);
    ASSERT_NE(album, nullptr);
    EXPECT_EQ(album->m_transitionName, "Fade Plugin");
    EXPECT_EQ(album->GetMusicVolume(), 100);
    EXPECT_EQ(album->m_musicFadeOut, 3);
    ASSERT_EQ(album->GetSlideCount(), 2);

    CSlide* picture = album->GetSlide(0);
    EXPECT_EQ(picture->GetTransitionName(), "Wipe Plugin");
    EXPECT_EQ(picture->m_displayTime, 5.0);
    EXPECT_EQ(picture->m_transitionLength, 2.0);
    EXPECT_EQ(picture->m_backgroundColor, 0x445566);
    const auto& keys = picture->GetItem(0)->GetKeyFrames();
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[0].m_scale, 2.0);
    EXPECT_EQ(keys[0].m_x, 0.5);
    EXPECT_EQ(keys[1].m_time, 1.0);
    ASSERT_EQ(picture->GetCaptionCount(), 1);
    EXPECT_EQ(picture->GetCaption(0)->m_text.m_text, "Hi");
    EXPECT_EQ(picture->GetCaption(0)->m_x, 0.0);
    EXPECT_EQ(picture->GetCaption(0)->m_y, 0.25);
    EXPECT_EQ(picture->GetCaption(0)->m_start, 2.0);
    EXPECT_EQ(picture->GetCaption(0)->m_duration, 5.0);

    // The clip: frames 25 to 74 of 100 in 4 s; its slide shows the whole
    // 2 s, and since the transitions around it would not fit they are dropped.
    CSlide* clip = album->GetSlide(1);
    const CAlbumItem* video = clip->GetMainItem();
    EXPECT_EQ(video->GetKind(), CAlbumItem::kVideo);
    EXPECT_DOUBLE_EQ(video->m_startOffset, 1.0);
    EXPECT_DOUBLE_EQ(video->m_playLength, 2.0);
    EXPECT_EQ(video->m_volume, 0.5);
    EXPECT_EQ(clip->m_musicLevel, 0.4);
    EXPECT_EQ(clip->m_musicLoweringRamp, 0.4);
    EXPECT_DOUBLE_EQ(clip->m_displayTime, 2.0);
    EXPECT_EQ(clip->m_transitionLength, 0.0);
    EXPECT_EQ(album->m_transitionLength, 0.0);
}

TEST(OldVersions, Version9AlbumsBecomeGroupsAndCropsBecomeKeyFrames) {
    CScopedSettings settings;
    COldStream s("9.00");
    s.Ints({1, -1, 1});            // one stored album
    s->WriteString("Trip");
    s->WriteString("");            // old effect fields
    s.Ints({0, 0});
    s->WriteInt(0);                // no music
    s->WriteInt(1);                // one old picture record
    s->WriteString("");            // no file: an 800 x 600 picture
    s->WriteString("Blinds Plugin");
    s.Ints({0, 0, 400, 300});      // crop: the top-left quarter
    s.Ints({3, 0});                // display 3; transition 0 meant "unset"
    s->WriteInt(0);                // no captions
    s->WriteInt(6);                // music flags
    s->WriteString("skipped");     // versions 4 to 9
    s->WriteInt(0);                // project integer
    s.OldMenuBlock(9);
    s->WriteString("C:\\Burn\\disc.iso");
    s->WriteString("other");

    CMainDoc doc;
    std::string error;
    ASSERT_EQ(s.Read(doc, error), CProjectReader::kLoaded) << error;
    CAlbumGrp* group = doc.GetProject().GetGroup(0);
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->m_name, "Trip");
    EXPECT_EQ(group->m_flag, 1);
    EXPECT_EQ(group->GetAlbum(0)->m_name, "Album 1");
    EXPECT_EQ(doc.GetProject().GetBurnInfo().m_folder, "C:\\Burn\\");
    CSlide* slide = group->GetAlbum(0)->GetSlide(0);
    EXPECT_EQ(slide->m_displayTime, 3.0);
    EXPECT_EQ(slide->m_transitionLength, 2.0); // the default: 0 meant "not set" then
    EXPECT_EQ(slide->GetTransitionName(), "Blinds Plugin");

    // The quarter crop shows at twice the fitted size, centred on the quarter;
    // it holds still during the transitions (2 s in, 2 s closing).
    const auto& keys = slide->GetItem(0)->GetKeyFrames();
    ASSERT_EQ(keys.size(), 4u);
    for (const CKeyFrame& key : keys) {
        EXPECT_DOUBLE_EQ(key.m_scale, 2.0);
        EXPECT_DOUBLE_EQ(key.m_x, 0.5);
        EXPECT_DOUBLE_EQ(key.m_y, -0.5);
    }
    EXPECT_DOUBLE_EQ(keys[1].m_time, 2.0 / 7.0);
    EXPECT_DOUBLE_EQ(keys[2].m_time, 5.0 / 7.0);
    EXPECT_FALSE(slide->GetItem(0)->m_legacy.m_hasOldCrop);
}

TEST(OldVersions, OldPanZoomIgnoresTransitionsWhenAsked) {
    CScopedSettings settings;
    SetSettingInt("OldPanZoom", 1);
    CFakeMediaProbe probe;
    probe.AddPicture("/pics/wide.jpg", 1600, 600);
    COldStream s("10.00");
    s.Ints({1, -1, 1});
    s->WriteString("G");
    s.Ints({1, -1});
    s->WriteString("");
    s->WriteInt(1);
    s->WriteString("A");
    s->WriteString("");            // version 10: skipped string empty -> random block
    s.Ints({0, 0});
    s.RandomChoiceBlock();
    s->WriteInt(0);
    s->WriteInt(0);                // no music
    s->WriteInt(1);
    s.NewClass("CImage");
    s->WriteString("/pics/wide.jpg");
    s->WriteString("");
    s.Doubles({4.0, 1.0});
    s.Ints({0, 0, 1600, 600});     // start: the whole picture
    s.Ints({0, 0, 800, 600});      // end: its left half
    s->WriteInt(0);                // no captions
    s->WriteInt(0x112233);         // background colour
    s->WriteInt(2);                // music flags
    s.Ints({0, 4, 80});
    s->WriteInt(0);                // group flag
    s->WriteInt(0);
    s.RandomChoiceBlock();
    s.OldMenuBlock(10);
    s->WriteString("");

    CMainDoc doc;
    std::string error;
    ASSERT_EQ(s.Read(doc, error), CProjectReader::kLoaded) << error;
    CSlide* slide = doc.GetProject().GetAlbum(0)->GetSlide(0);
    EXPECT_EQ(slide->m_backgroundColor, 0x112233);
    const auto& keys = slide->GetItem(0)->GetKeyFrames();
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_DOUBLE_EQ(keys[0].m_scale, 1.0);
    EXPECT_DOUBLE_EQ(keys[0].m_x, 0.0);
    // The left half (800 x 600) fills the 4:3 frame height: scale 2 relative
    // to the whole picture fitted by its width, moved right by a quarter of
    // the picture, i.e. half a frame width.
    EXPECT_DOUBLE_EQ(keys[1].m_scale, 2.0);
    EXPECT_DOUBLE_EQ(keys[1].m_x, 0.5);
    EXPECT_DOUBLE_EQ(keys[1].m_y, 0.0);
}

TEST(OldVersions, Version1AlbumsListPictureFiles) {
    CScopedSettings settings;
    CTempDir dir;
    std::string existing = dir.WriteFile("a.jpg", "x");
    COldStream s("1.00");
    s.Ints({1, -1, 1});
    s->WriteString("First");
    s->WriteString("");
    s.Ints({0, 0});
    s->WriteInt(0);                // no music
    s->WriteInt(2);                // two picture paths
    s->WriteString(existing);
    s->WriteString(dir / "gone.jpg");
    s.OldMenuBlock(1);
    s->WriteString("");
    s->WriteString("");

    CMainDoc doc;
    std::string error;
    ASSERT_EQ(s.Read(doc, error), CProjectReader::kLoaded) << error;
    CAlbum* album = doc.GetProject().GetAlbum(0);
    ASSERT_EQ(album->GetSlideCount(), 1);
    EXPECT_EQ(album->GetSlide(0)->GetItem(0)->m_file, existing);
    EXPECT_EQ(album->m_musicFlags, CAlbum::kMusicRepeat);
}

TEST(OldVersions, Version16MusicHasNoFades) {
    CScopedSettings settings;
    COldStream s("16.00");
    s->WriteString("Z:\\");
    s->WriteInt(0);
    s.Ints({1, -1, 1});
    s->WriteString("G");
    s.Ints({1, -1});
    s->WriteString("");
    s->WriteInt(1);                // one album (no custom title before 17)
    s->WriteString("A");
    s->WriteString("Fade Plugin");
    s->WriteDouble(1);
    s->WriteInt(1);                // one music entry with an empty path
    s->WriteString("");
    s.Doubles({2.0, 3.0});         // start, length; no fades in version 16
    s->WriteInt(0);                // no slides
    s.Ints({2, 1, 2, 90});
    s->WriteString("");            // album picture
    s->WriteInt(0);                // group flag
    s.Ints({0xFF, 0});             // subtitle colours
    s.Ints({0, 1, 0, 0});          // menu: value, second, two empty lists
    s->WriteString("");            // burn

    CMainDoc doc;
    std::string error;
    ASSERT_EQ(s.Read(doc, error), CProjectReader::kLoaded) << error;
    CAlbum* album = doc.GetProject().GetAlbum(0);
    ASSERT_EQ(album->m_music.size(), 1u);
    EXPECT_EQ(album->m_music[0].GetStart(), 2.0);
    EXPECT_EQ(album->m_music[0].m_fadeIn, 0.0);
    EXPECT_EQ(album->GetMusicVolume(), 90);
    EXPECT_EQ(doc.GetProject().GetSubtitleColor(), 0xFF);
}
