#include "project/Album.h"
#include "project/AlbumGrp.h"
#include "project/AlbumJson.h"
#include "project/Image.h"
#include "project/MainDoc.h"
#include "project/ProjectWriter.h"
#include "project/Slide.h"
#include "project/Video.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace {

using Json = nlohmann::ordered_json;

std::string Same(const std::string& path) { return path; }

CAlbum* NewAlbum(CMainDoc& doc) {
    return doc.GetProject().AddGroup(std::make_unique<CAlbumGrp>())->AddAlbum(
        std::make_unique<CAlbum>());
}

} // namespace

TEST(AlbumJson, DescriptionsCarryEverythingTheStreamHolds) {
    CMainDoc doc;
    CAlbum* album = NewAlbum(doc);
    album->m_name = "Trip \u00e9";
    album->m_customTitleFlag = 1;
    album->m_customTitle = "title";
    album->m_musicFlags = 6;
    album->m_musicFadeIn = 3;
    album->SetMusicVolume(55);
    album->m_music.emplace_back("/m.mp3");
    doc.GetProject().SetSubtitleColor(0x0000FF);
    doc.GetProject().SetSubtitleEdgeColor(-1); // not a colour: kept as a number

    CSlide slide;
    slide.SetTransitionName("Shutter Plugin");
    slide.m_transitionValues = {{"BlendSize", 60}, {"Direction", 1}};
    slide.m_layoutName = "Zoom Tile";
    slide.m_layoutValues = {{"NumCols", 3}};
    slide.m_randomSeed = 77;
    slide.m_backgroundMode = CSlide::kBackgroundStretch;
    slide.m_backgroundColor = 0x102030;
    slide.m_backgroundPicture = "/bg.png";
    slide.m_sound.SetFile("/s.wav");
    slide.m_sound.SetStartAndLength(1, 2);
    slide.m_soundVolume = 0.5;
    slide.m_soundDelay = 0.25;
    slide.m_soundToAlbumEnd = 1;
    slide.m_musicLevel = 0.2;
    slide.m_musicRestoreRamp = 0.3;
    slide.m_subtitle.m_text = "sub";
    slide.m_subtitle.SetOwnColors(5, 1, 6);
    CImage image("/a.jpg");
    image.m_rotation = 1;
    image.m_mirrorH = 1;
    image.m_brightness = 0.2;
    image.m_cropY = -0.1;
    image.m_reserved2 = 3;
    CKeyFrame key;
    key.m_time = 0.3;
    key.m_rotation = 0.5;
    key.m_opacity = 0.5;
    image.AddKeyFrame(key);
    auto inner = std::make_unique<CSlide>();
    inner->AddItem(CImage("/inner.jpg"));
    image.SetEmbeddedSlide(std::move(inner));
    slide.AddItem(image);
    CVideo clip("/v.mp4");
    clip.m_startOffset = 1;
    clip.m_sound.SetFile("/clip.wav");
    slide.AddItem(clip);
    slide.SetMainVideo(std::make_unique<CVideo>(clip));
    CTextCaption caption;
    caption.m_text.m_text = "Hi";
    caption.m_text.m_flags = 546;
    caption.m_effect = "Shadow Left";
    caption.m_start = 0.5;
    slide.AddCaption(caption);
    album->AddSlide(slide);
    album->AddSlide(CSlide());

    std::string stream = CProjectWriter::Write(doc, true);
    Json json = CAlbumJson::ToJson(*album, doc.GetProject(), Same);
    EXPECT_EQ(json["slides"][0]["background"]["color"], "#302010");
    EXPECT_EQ(json["subtitleEdgeColor"], -1);

    // Through text and back, into a fresh project.
    CMainDoc copy;
    CAlbum* again = NewAlbum(copy);
    CAlbumJson::FromJson(Json::parse(json.dump()), *again, copy.GetProject(), Same);
    EXPECT_EQ(CProjectWriter::Write(copy, true), stream);
}

TEST(AlbumJson, AbsentFieldsKeepDefaultsAndColoursReadBothWays) {
    CMainDoc doc;
    CAlbum* album = NewAlbum(doc);
    Json json = Json::parse(R"({
        "name": "Short",
        "slides": [ { "items": [ { "file": "a.jpg" } ],
                      "background": { "mode": "fill", "color": "#FF8000" } },
                    { "displayTime": 7, "background": { "color": 255 } } ]
    })");
    CAlbumJson::FromJson(json, *album, doc.GetProject(),
                         [](const std::string& p) { return "/media/" + p; });
    ASSERT_EQ(album->GetSlideCount(), 2);
    CSlide* first = album->GetSlide(0);
    EXPECT_EQ(first->GetItem(0)->m_file, "/media/a.jpg");
    EXPECT_EQ(first->GetItem(0)->GetKeyFrames().size(), 2u);
    EXPECT_EQ(first->m_backgroundMode, CSlide::kBackgroundFill);
    EXPECT_EQ(first->m_backgroundColor, 0x0080FF);
    EXPECT_EQ(first->m_displayTime, CSlide().m_displayTime);
    EXPECT_EQ(album->GetSlide(1)->m_displayTime, 7.0);
    EXPECT_EQ(album->GetSlide(1)->m_backgroundColor, 255);
    EXPECT_TRUE(album->GetSlide(1)->m_backgroundPicture.empty());
}

TEST(AlbumJson, ErrorsNameTheField) {
    struct Case {
        const char* json;
        const char* field;
    } cases[] = {
        {R"({"format": "other"})", "album.format"},
        {R"({"slides": {}})", "album.slides"},
        {R"({"slides": [ {"displayTime": "long"} ]})", "album.slides[0].displayTime"},
        {R"({"slides": [ {"items": [ {"kind": "sculpture"} ]} ]})", "album.slides[0].items[0].kind"},
        {R"({"slides": [ {"items": [ {"keyFrames": [ {"time": null}, 3 ]} ]} ]})",
         "album.slides[0].items[0].keyFrames[1]"},
        {R"({"slides": [ {"background": {"color": "#12"}} ]})", "album.slides[0].background.color"},
        {R"({"slides": [ {"transition": {"settings": [["a", 1.5]]}} ]})",
         "album.slides[0].transition.settings"},
        {R"({"slides": [ {"mainVideo": {"kind": "image"}} ]})", "album.slides[0].mainVideo"},
        {R"({"musicVolume": 99999999999})", "album.musicVolume"},
    };
    for (const auto& c : cases) {
        CMainDoc doc;
        CAlbum* album = NewAlbum(doc);
        try {
            CAlbumJson::FromJson(Json::parse(c.json), *album, doc.GetProject(), Same);
            ADD_FAILURE() << "accepted " << c.json;
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(std::string(e.what()).rfind(c.field, 0), 0u) << e.what();
        }
    }
}
