#include "project/ProjectReader.h"

#include "base/Settings.h"
#include "project/Album.h"
#include "project/AlbumGrp.h"
#include "project/ArchiveException.h"
#include "project/ArchiveReader.h"
#include "project/Image.h"
#include "project/ImageSamp.h"
#include "project/MainDoc.h"
#include "project/MediaProbe.h"
#include "project/OldPanZoom.h"
#include "project/ProjMenu.h"
#include "project/Project.h"
#include "project/Slide.h"
#include "project/TextCodec.h"
#include "project/Video.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <sys/stat.h>

namespace {

constexpr std::uint32_t kMagic = 0xCEFABEBA;
constexpr double kCurrentVersion = 18;
// Slides hold media items that may hold slides again; a stream nesting them
// deeper than this is not a real project.
constexpr int kMaxNesting = 16;

bool FileExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && !IMediaProbe::FilesClosed() && stat(path.c_str(), &st) == 0 &&
           S_ISREG(st.st_mode);
}

std::string LowerBackslashed(std::string_view text) {
    std::string out = TextCodec::FoldCase(text);
    std::replace(out.begin(), out.end(), '/', '\\');
    return out;
}

// A caption that an old picture record placed at a pixel position.
struct SOldCaption {
    std::string text;
    int x = 0;
    int y = 0;
};

// What an old media item carried for its slide besides the item itself.
struct SOldItemExtras {
    std::vector<SOldCaption> captions;
    bool hasBackground = false;
    int background = 0;
};

class CReader {
public:
    CReader(CMainDoc& doc, const void* data, std::size_t size, std::string streamPath)
        : m_doc(doc), m_ar(data, size), m_streamPath(std::move(streamPath)) {
        m_ar.SetClasses({&CSlide::kRuntimeClass, &CAlbumItem::kRuntimeClass,
                         &CImage::kRuntimeClass, &CImageSamp::kRuntimeClass,
                         &CVideo::kRuntimeClass, &CTextCaption::kRuntimeClass,
                         &CProjMenuPage::kRuntimeClass, &CProjMenuPageItem::kRuntimeClass});
    }

    // Reads the header; returns the version.
    double ReadHeader() {
        if (m_ar.ReadDword() != kMagic)
            m_ar.Fail("Not a project file");
        m_v = CProjectReader::ParseVersion(m_ar.ReadString());
        if (!(m_v > 0) || m_v > kCurrentVersion)
            m_ar.Fail("Unsupported project version");
        m_doc.m_version = m_v;
        return m_v;
    }

    void ReadBody() {
        if (m_v >= 15) {
            m_doc.m_savedFrom = m_ar.ReadString();
            m_doc.m_packagePaths = m_ar.ReadInt();
        }
        ReadProject(m_doc.GetProject());
        m_doc.m_packagePaths = 0;
    }

private:
    void CheckVersion() {
        if (!(m_v > 0) || m_v > kCurrentVersion)
            m_ar.Fail("Unsupported project version");
    }

    // --- paths --------------------------------------------------------------

    std::string ReadPath() {
        std::string path = m_ar.ReadString();
        if (path.empty())
            return path;
        if (m_doc.m_packagePaths) {
            std::string anchored =
                CProjectReader::Reanchor(path, m_doc.m_savedFrom, m_streamPath);
            if (!anchored.empty())
                return anchored;
        }
        if (FileExists(path))
            return path;
        auto it = m_doc.m_missingFiles.find(path);
        if (it == m_doc.m_missingFiles.end()) {
            m_doc.m_missingFiles.emplace(path, std::string());
            return path;
        }
        return FileExists(it->second) ? it->second : path;
    }

    // --- project ------------------------------------------------------------

    void ReadProject(CProject& project) {
        CheckVersion();
        project.m_nextGroupNumber = m_ar.ReadInt();
        project.m_second = m_ar.ReadInt();
        int groups = m_ar.ReadCount(4);
        for (int i = 0; i < groups; ++i) {
            auto group = std::make_unique<CAlbumGrp>();
            if (m_v < 10) {
                // Early projects had no groups: each album gets a group of its own
                // named after it, and a new numbered name itself.
                auto album = std::make_unique<CAlbum>();
                ReadAlbum(*album, group.get());
                group->m_name = album->m_name;
                album->m_name = "Album " + std::to_string(i + 1);
                CAlbumGrp* added = project.AddGroup(std::move(group));
                added->AddAlbum(std::move(album));
            } else {
                ReadGroup(*group);
                project.AddGroup(std::move(group));
            }
        }
        if (m_v >= 3 && m_v < 15)
            m_ar.ReadInt();
        if (m_v >= 10 && m_v < 15)
            SkipRandomChoiceBlock();
        if (m_v < 15) {
            SkipOldMenuBlock();
            project.GetMenu().Clear();
            project.SetSubtitleColor(GetSetting(Settings::SubClr));
            project.SetSubtitleEdgeColor(GetSetting(Settings::SubOutClr));
        } else {
            project.SetSubtitleColor(m_ar.ReadInt());
            project.SetSubtitleEdgeColor(m_ar.ReadInt());
            ReadMenu(project.GetMenu());
        }
        ReadBurn(project.GetBurnInfo());
        if (m_v < 12 && ConvertOldPanZoom(project))
            project.OnItemChanged(nullptr);
    }

    void SkipRandomChoiceBlock() {
        m_ar.ReadInt();
        int lists = m_ar.ReadCount(5);
        for (int i = 0; i < lists; ++i) {
            m_ar.ReadString();
            int entries = m_ar.ReadCount(5);
            for (int j = 0; j < entries; ++j) {
                m_ar.ReadString();
                m_ar.ReadInt();
            }
        }
        int names = m_ar.ReadCount(1);
        for (int i = 0; i < names; ++i)
            m_ar.ReadString();
    }

    void SkipOldMenuBlock() {
        for (int i = 0; i < 3; ++i)
            m_ar.ReadString();
        if (m_v >= 3)
            m_ar.Skip(4 * (m_v >= 10 ? 5 : 4));
        for (int i = 0; i < 2; ++i) {
            m_ar.ReadString();
            m_ar.Skip(8);
        }
        m_ar.Skip(8 * (m_v >= 12 ? 3 : 2));
        int records = m_ar.ReadCount(40);
        m_ar.Skip(std::size_t(records) * 40);
        int entries = m_ar.ReadCount(9);
        for (int i = 0; i < entries; ++i) {
            m_ar.ReadString();
            m_ar.Skip(8);
        }
    }

    // --- groups and albums ----------------------------------------------------

    void ReadGroup(CAlbumGrp& group) {
        CheckVersion();
        group.m_name = m_ar.ReadString();
        group.m_nextAlbumNumber = m_ar.ReadInt();
        group.m_second = m_ar.ReadInt();
        group.m_picture = ReadPath();
        if (m_v >= 17) {
            group.m_customTitleFlag = m_ar.ReadInt();
            group.m_customTitle = m_ar.ReadString();
        }
        int albums = m_ar.ReadCount(4);
        for (int i = 0; i < albums; ++i) {
            auto album = std::make_unique<CAlbum>();
            ReadAlbum(*album, &group);
            group.AddAlbum(std::move(album));
        }
        group.m_flag = m_ar.ReadInt();
    }

    void ReadAlbum(CAlbum& album, CAlbumGrp* group) {
        CheckVersion();
        album.m_name = m_ar.ReadString();
        std::string skipped;
        if (m_v < 12) {
            skipped = m_ar.ReadString();
            m_ar.Skip(8);
            album.m_transitionLength = GetSetting(Settings::EffDelay);
        } else {
            if (m_v < 15) {
                skipped = m_ar.ReadString();
                m_ar.Skip(16);
            }
            album.m_transitionName = m_ar.ReadString();
            album.m_transitionLength = m_ar.ReadDouble();
            if (album.m_transitionName.empty())
                album.m_transitionName = GetSetting(Settings::Effect);
            if (album.m_transitionLength < 0)
                album.m_transitionLength = GetSetting(Settings::EffDelay);
        }
        if (m_v >= 10 && m_v < 15) {
            if (m_v >= 14 || skipped.empty())
                SkipRandomChoiceBlock();
            m_ar.ReadInt();
        }

        int music = m_ar.ReadCount(1);
        for (int i = 0; i < music; ++i) {
            CMusicFile entry;
            ReadMusic(entry);
            // Music that cannot be played is dropped; an empty entry is kept.
            if (entry.IsOpened() || entry.GetPath().empty())
                album.m_music.push_back(std::move(entry));
        }

        if (m_v < 2) {
            int pictures = m_ar.ReadCount(1);
            for (int i = 0; i < pictures; ++i) {
                std::string path = m_ar.ReadString();
                if (!FileExists(path))
                    continue;
                CSlide slide;
                slide.AddItem(CImage(path));
                album.AddSlide(slide);
            }
            album.m_musicFlags = CAlbum::kMusicRepeat;
        } else {
            int slides = m_ar.ReadCount(2);
            for (int i = 0; i < slides; ++i) {
                if (m_v >= 15) {
                    // Objects read are adopted, never cloned: later references in
                    // the stream may point to them.
                    album.AddSlide(ReadSlideObject(false));
                } else {
                    ReadOldSlide(album);
                }
            }
            album.m_musicFlags = m_ar.ReadInt();
        }
        if (m_v >= 4 && m_v < 10) {
            m_ar.ReadString();
            if (group)
                group->m_flag = 1;
        }
        if (m_v >= 10) {
            album.m_musicFadeIn = m_ar.ReadInt();
            album.m_musicFadeOut = m_ar.ReadInt();
            album.SetMusicVolume(m_ar.ReadInt());
        }
        if (m_v >= 13 && m_v < 15)
            m_ar.ReadInt();
        if (m_v >= 15)
            album.m_picture = ReadPath();
        if (m_v >= 17) {
            album.m_customTitleFlag = m_ar.ReadInt();
            album.m_customTitle = m_ar.ReadString();
        }
        if (m_v < 15)
            FitVideoSlides(album);
    }

    // Before version 15 an album held media items, each standing for a slide.
    void ReadOldSlide(CAlbum& album) {
        SOldItemExtras extras;
        std::unique_ptr<CAlbumItem> item;
        if (m_v >= 10) {
            item = ReadItemObject(&extras);
            if (!item)
                m_ar.Fail("Missing media item");
        } else {
            item = ReadOldPictureRecord(extras);
        }
        auto owned = std::make_unique<CSlide>();
        CSlide& slide = *owned;
        const auto& legacy = item->m_legacy;
        if (legacy.m_displayTime >= 0)
            slide.m_displayTime = legacy.m_displayTime;
        if (legacy.m_transitionLength >= 0)
            slide.m_transitionLength = legacy.m_transitionLength;
        if (!legacy.m_transition.empty())
            slide.SetTransitionName(legacy.m_transition);
        slide.m_musicLevel = legacy.m_musicLevel / 100.0;
        slide.m_musicRestoreRamp = legacy.m_restoreRamp;
        slide.m_musicLoweringRamp = legacy.m_loweringRamp;
        if (extras.hasBackground)
            slide.m_backgroundColor = extras.background;
        AddOldCaptions(slide, *item, extras.captions);
        slide.AddItem(std::move(item));
        album.AddSlide(std::move(owned));
    }

    // Captions of old pictures were placed in pixels of an 800 x 600 frame
    // widened or heightened to the picture's aspect ratio.
    static void AddOldCaptions(CSlide& slide, const CAlbumItem& item,
                               const std::vector<SOldCaption>& captions) {
        if (captions.empty())
            return;
        double width = 800, height = 600;
        int pw = 0, ph = 0;
        if (IMediaProbe::Get().ProbePictureSize(item.m_file, pw, ph) && pw > 0 && ph > 0) {
            double aspect = double(pw) / ph;
            if (aspect > width / height)
                width = height * aspect;
            else
                height = width / aspect;
        }
        for (const SOldCaption& old : captions) {
            CTextCaption caption;
            caption.m_text.m_text = old.text;
            caption.m_x = old.x / width - 0.5;
            caption.m_y = 0.5 - old.y / height;
            caption.m_start = slide.m_transitionLength;
            caption.m_duration = slide.m_displayTime;
            slide.AddCaption(caption);
        }
    }

    // A clip's slide shows the whole clip: its display time becomes the clip's
    // length less the transitions around it, or the transitions are dropped
    // when they would not leave room.
    static void FitVideoSlides(CAlbum& album) {
        for (int i = 0; i < album.GetSlideCount(); ++i) {
            CSlide* slide = album.GetSlide(i);
            const CAlbumItem* main = slide->GetMainItem();
            if (!main || main->GetKind() != CAlbumItem::kVideo)
                continue;
            double length = main->m_playLength + main->m_extraTime;
            if (!(length > 0))
                length = main->GetDuration();
            CSlide* next = album.GetSlide(i + 1);
            double following = next ? next->m_transitionLength : album.m_transitionLength;
            if (slide->m_transitionLength + following < length) {
                slide->m_displayTime = length - slide->m_transitionLength - following;
            } else {
                slide->m_displayTime = length;
                slide->m_transitionLength = 0;
                (next ? next->m_transitionLength : album.m_transitionLength) = 0;
            }
        }
    }

    // --- sounds ---------------------------------------------------------------

    void ReadMusic(CMusicFile& music) {
        CheckVersion();
        music.SetFile(ReadPath());
        if (m_v >= 15) {
            double start = m_ar.ReadDouble();
            double length = m_ar.ReadDouble();
            music.SetStartAndLength(start, length);
        }
        if (m_v >= 18) {
            music.m_fadeIn = m_ar.ReadDouble();
            music.m_fadeOut = m_ar.ReadDouble();
        }
    }

    // --- tagged objects -------------------------------------------------------

    // Reads an object reference that owns what it names: a second reference to
    // an object read before would make two owners, so it fails the load.
    template <class T>
    std::unique_ptr<T> ReadOwned(const CRuntimeClass& expected) {
        CArchiveReader::STag tag = m_ar.ReadTag(expected);
        if (tag.kind == CArchiveReader::STag::kNull)
            return nullptr;
        if (tag.kind == CArchiveReader::STag::kReference)
            m_ar.Fail(std::string("A second reference to a ") + expected.m_className);
        std::unique_ptr<T> object(static_cast<T*>(tag.cls->CreateObject()));
        m_ar.RegisterObject(object.get());
        return object;
    }

    struct SNesting {
        explicit SNesting(CReader& r) : reader(r) {
            if (++reader.m_depth > kMaxNesting)
                reader.m_ar.Fail("Slides nested too deeply");
        }
        ~SNesting() { --reader.m_depth; }
        CReader& reader;
    };

    std::unique_ptr<CSlide> ReadSlideObject(bool allowNull) {
        SNesting nesting(*this);
        auto slide = ReadOwned<CSlide>(CSlide::kRuntimeClass);
        if (!slide) {
            if (!allowNull)
                m_ar.Fail("Missing slide");
            return nullptr;
        }
        ReadSlideBody(*slide);
        return slide;
    }

    void ReadSlideBody(CSlide& slide) {
        CheckVersion();
        slide.SetTransitionName(m_ar.ReadString());
        slide.m_transitionLength = m_ar.ReadDouble();
        slide.m_displayTime = m_ar.ReadDouble();
        slide.m_backgroundMode = m_ar.ReadInt();
        slide.m_backgroundColor = m_ar.ReadInt();
        slide.m_backgroundPicture = ReadPath();
        slide.m_soundVolume = m_ar.ReadDouble();
        slide.m_soundFadeIn = m_ar.ReadDouble();
        slide.m_soundFadeOut = m_ar.ReadDouble();
        slide.m_soundDelay = m_ar.ReadDouble();
        slide.m_soundToAlbumEnd = m_ar.ReadInt();
        slide.m_musicLevel = m_ar.ReadDouble();
        slide.m_musicRestoreRamp = m_ar.ReadDouble();
        slide.m_musicLoweringRamp = m_ar.ReadDouble();
        if (auto main = ReadOwned<CVideo>(CVideo::kRuntimeClass)) {
            ReadItemBody(*main, nullptr);
            slide.SetMainVideo(std::move(main));
        }
        ReadStyled(slide.m_subtitle);
        if (m_v >= 16)
            ReadMusic(slide.m_sound);
        int items = m_ar.ReadCount(2);
        for (int i = 0; i < items; ++i) {
            auto item = ReadItemObject(nullptr);
            if (!item)
                m_ar.Fail("Missing media item");
            slide.AddItem(std::move(item));
        }
        int captions = m_ar.ReadCount(2);
        for (int i = 0; i < captions; ++i) {
            auto caption = ReadOwned<CTextCaption>(CTextCaption::kRuntimeClass);
            if (!caption)
                m_ar.Fail("Missing caption");
            ReadCaptionBody(*caption);
            slide.AddCaption(std::move(caption));
        }
        slide.m_layoutName = m_ar.ReadString();
        slide.m_randomSeed = m_ar.ReadInt();
        ReadEffectValues(slide.m_layoutValues);
        ReadEffectValues(slide.m_transitionValues);
    }

    void ReadEffectValues(CEffectValues& values) {
        values.clear();
        int count = m_ar.ReadCount(5);
        for (int i = 0; i < count; ++i) {
            SEffectValue value;
            value.m_key = m_ar.ReadString();
            value.m_value = m_ar.ReadInt();
            values.push_back(std::move(value));
        }
    }

    std::unique_ptr<CAlbumItem> ReadItemObject(SOldItemExtras* extras) {
        SNesting nesting(*this);
        auto item = ReadOwned<CAlbumItem>(CAlbumItem::kRuntimeClass);
        if (item)
            ReadItemBody(*item, extras);
        return item;
    }

    void ReadItemBody(CAlbumItem& item, SOldItemExtras* extras) {
        CheckVersion();
        if (m_v < 15) {
            SOldItemExtras local;
            ReadOldItemBody(item, extras ? *extras : local);
            return;
        }
        item.m_file = ReadPath();
        item.SetEmbeddedSlide(ReadSlideObject(true));
        ReadMusic(item.m_sound);
        item.m_reserved2 = m_ar.ReadDouble();
        item.m_reserved1 = m_ar.ReadDouble();
        item.m_startOffset = m_ar.ReadDouble();
        item.m_playLength = m_ar.ReadDouble();
        item.m_extraTime = m_ar.ReadDouble();
        item.m_volume = m_ar.ReadDouble();
        item.m_fadeIn = m_ar.ReadDouble();
        item.m_fadeOut = m_ar.ReadDouble();
        item.m_stretch = m_ar.ReadInt();
        item.m_rotation = m_ar.ReadInt();
        item.m_mirrorH = m_ar.ReadInt();
        item.m_mirrorV = m_ar.ReadInt();
        item.m_autoLevels = m_ar.ReadInt();
        item.m_brightness = m_ar.ReadDouble();
        item.m_contrast = m_ar.ReadDouble();
        item.m_cropX = m_ar.ReadDouble();
        item.m_cropY = m_ar.ReadDouble();
        item.m_cropWidth = m_ar.ReadDouble();
        item.m_cropHeight = m_ar.ReadDouble();
        int keys = m_ar.ReadCount(56);
        item.ClearKeyFrames();
        for (int i = 0; i < keys; ++i) {
            CKeyFrame key;
            key.m_time = m_ar.ReadDouble();
            key.m_x = m_ar.ReadDouble();
            key.m_y = m_ar.ReadDouble();
            key.m_scale = m_ar.ReadDouble();
            key.m_opacity = m_ar.ReadDouble();
            key.m_rotation = m_ar.ReadDouble();
            key.m_easing = m_ar.ReadInt();
            key.m_extra = m_ar.ReadInt();
            item.AddKeyFrame(key);
        }
    }

    // Reads the two old slide times, stored as integers before version 4.
    // Before version 12 the values 0 and -1 had each other's meaning.
    double ReadOldTime() { return OldTime(m_v >= 4 ? m_ar.ReadDouble() : double(m_ar.ReadInt())); }

    double OldTime(double value) const {
        if (m_v < 12) {
            if (value == 0)
                value = -1;
            else if (value == -1)
                value = 0;
        }
        return value;
    }

    void ReadOldItemBody(CAlbumItem& item, SOldItemExtras& extras) {
        item.m_file = ReadPath();
        item.m_legacy.m_transition = m_ar.ReadString();
        item.m_legacy.m_displayTime = ReadOldTime();
        item.m_legacy.m_transitionLength = ReadOldTime();
        switch (item.GetKind()) {
        case CAlbumItem::kImage:
        case CAlbumItem::kImageSamp: ReadOldPictureFields(item, extras); break;
        case CAlbumItem::kVideo: ReadOldVideoFields(item); break;
        default: break;
        }
    }

    std::array<int, 4> ReadRect() {
        std::array<int, 4> rect{};
        for (int& v : rect)
            v = m_ar.ReadInt();
        return rect;
    }

    void ReadOldCaptions(SOldItemExtras& extras) {
        int count = m_ar.ReadCount(9);
        for (int i = 0; i < count; ++i) {
            SOldCaption caption;
            caption.text = m_ar.ReadString();
            caption.x = m_ar.ReadInt();
            caption.y = m_ar.ReadInt();
            extras.captions.push_back(std::move(caption));
        }
    }

    void ReadOldPictureFields(CAlbumItem& item, SOldItemExtras& extras) {
        if (m_v >= 11)
            m_ar.ReadInt();
        if (m_v < 12) {
            item.m_legacy.m_hasOldCrop = true;
            item.m_legacy.m_oldCropStart = ReadRect();
            item.m_legacy.m_oldCropEnd =
                m_v >= 10 ? ReadRect() : item.m_legacy.m_oldCropStart;
        } else {
            int regions = m_ar.ReadCount(28);
            std::vector<SOldRegion> list;
            for (int i = 0; i < regions; ++i) {
                SOldRegion region;
                region.m_zoomPercent = m_ar.ReadInt();
                region.m_xPercent = m_ar.ReadFloat();
                region.m_yPercent = m_ar.ReadFloat();
                region.m_start = m_ar.ReadDouble();
                region.m_end = m_ar.ReadDouble();
                list.push_back(region);
            }
            if (!list.empty())
                OldPanZoom::RegionsToKeyFrames(list, item);
        }
        ReadOldCaptions(extras);
        if (m_v >= 10) {
            int colour = m_ar.ReadInt();
            extras.hasBackground = true;
            extras.background = colour < 0 ? GetSetting(Settings::ImgBkColor) : colour;
        }
    }

    void ReadOldVideoFields(CAlbumItem& item) {
        item.m_volume = m_ar.ReadInt() / 100.0;
        int first = m_ar.ReadInt();
        int last = m_ar.ReadInt();
        // Frames become times through the clip's own frame rate.
        std::int64_t frames = IMediaProbe::Get().ProbeVideoFrameCount(item.m_file);
        double duration = item.GetDuration();
        if (frames > 0 && duration > 0) {
            double perFrame = duration / double(frames);
            item.m_startOffset = std::max(0, first) * perFrame;
            item.m_playLength = last >= first ? (last - std::max(0, first) + 1) * perFrame : 0.0;
        }
        if (m_v >= 13) {
            item.m_legacy.m_musicLevel = m_ar.ReadInt();
            item.m_fadeIn = m_ar.ReadDouble();
            item.m_fadeOut = m_ar.ReadDouble();
            item.m_legacy.m_restoreRamp = m_ar.ReadDouble();
            item.m_legacy.m_loweringRamp = m_ar.ReadDouble();
            m_ar.ReadInt();
        }
    }

    // The picture record of versions 2 to 9.
    std::unique_ptr<CAlbumItem> ReadOldPictureRecord(SOldItemExtras& extras) {
        auto item = std::make_unique<CImage>();
        item->m_file = ReadPath();
        item->m_legacy.m_transition = m_ar.ReadString();
        item->m_legacy.m_hasOldCrop = true;
        item->m_legacy.m_oldCropStart = ReadRect();
        item->m_legacy.m_oldCropEnd = item->m_legacy.m_oldCropStart;
        item->m_legacy.m_displayTime = OldTime(m_ar.ReadInt());
        item->m_legacy.m_transitionLength = OldTime(m_ar.ReadInt());
        ReadOldCaptions(extras);
        return item;
    }

    // --- captions and styled text -------------------------------------------

    void ReadStyled(CStyledString& text) {
        text.m_text = m_ar.ReadString();
        text.m_font = m_ar.ReadString();
        text.m_size = m_ar.ReadInt();
        text.m_flags = m_ar.ReadInt();
        int colour = m_ar.ReadInt();
        int edgeWidth = m_ar.ReadInt();
        int edgeColour = m_ar.ReadInt();
        text.SetOwnColors(colour, edgeWidth, edgeColour);
    }

    void ReadCaptionBody(CTextCaption& caption) {
        ReadStyled(caption.m_text);
        caption.m_x = m_ar.ReadDouble();
        caption.m_y = m_ar.ReadDouble();
        caption.m_start = m_ar.ReadDouble();
        caption.m_duration = m_ar.ReadDouble();
        caption.m_effectInOut = m_ar.ReadDouble();
        caption.m_effect = m_ar.ReadString();
    }

    // --- burn information and menu --------------------------------------------

    void ReadBurn(CBurnInfo& burn) {
        CheckVersion();
        if (m_v >= 10) {
            burn.m_folder = m_ar.ReadString();
        } else {
            std::string first = m_ar.ReadString();
            m_ar.ReadString();
            std::size_t sep = first.find_last_of("\\/");
            burn.m_folder = sep == std::string::npos ? std::string() : first.substr(0, sep + 1);
        }
    }

    void ReadMenu(CProjMenu& menu) {
        CheckVersion();
        m_menu = &menu;
        menu.m_value = m_ar.ReadInt();
        menu.m_second = m_v >= 16 ? m_ar.ReadInt() : 1;
        for (auto* list : {&menu.m_pages, &menu.m_morePages}) {
            int pages = m_ar.ReadCount(2);
            for (int i = 0; i < pages; ++i) {
                CArchiveReader::STag tag = m_ar.ReadTag(CProjMenuPage::kRuntimeClass);
                if (tag.kind == CArchiveReader::STag::kNull)
                    m_ar.Fail("Missing menu page");
                if (tag.kind == CArchiveReader::STag::kReference) {
                    // A page met first through an item's link takes its place
                    // in the list now; any other repeat would have two owners.
                    auto& linked = menu.m_linkedPages;
                    auto it = std::find_if(linked.begin(), linked.end(),
                                           [&](const auto& p) { return p.get() == tag.object; });
                    if (it == linked.end())
                        m_ar.Fail("A second reference to a CProjMenuPage");
                    list->push_back(std::move(*it));
                    linked.erase(it);
                    continue;
                }
                std::unique_ptr<CProjMenuPage> page(
                    static_cast<CProjMenuPage*>(tag.cls->CreateObject()));
                m_ar.RegisterObject(page.get());
                CProjMenuPage* raw = page.get();
                list->push_back(std::move(page));
                ReadMenuPageBody(*raw);
            }
        }
    }

    void ReadMenuPageBody(CProjMenuPage& page) {
        SNesting nesting(*this);
        for (int& v : page.m_values)
            v = m_ar.ReadInt();
        page.m_picture = ReadPath();
        page.m_title = m_ar.ReadString();
        ReadMusic(page.m_sound);
        int items = m_ar.ReadCount(2);
        for (int i = 0; i < items; ++i) {
            auto item = ReadOwned<CProjMenuPageItem>(CProjMenuPageItem::kRuntimeClass);
            if (!item)
                m_ar.Fail("Missing menu item");
            CProjMenuPageItem* raw = item.get();
            page.m_items.push_back(std::move(item));
            ReadMenuItemBody(*raw);
        }
    }

    void ReadMenuItemBody(CProjMenuPageItem& item) {
        // The linked page is usually one read before; one named here for the
        // first time is kept by the menu.
        CArchiveReader::STag tag = m_ar.ReadTag(CProjMenuPage::kRuntimeClass);
        if (tag.kind == CArchiveReader::STag::kReference) {
            item.m_link = static_cast<CProjMenuPage*>(tag.object);
        } else if (tag.kind == CArchiveReader::STag::kNew) {
            std::unique_ptr<CProjMenuPage> page(static_cast<CProjMenuPage*>(tag.cls->CreateObject()));
            m_ar.RegisterObject(page.get());
            item.m_link = page.get();
            m_menu->m_linkedPages.push_back(std::move(page));
            ReadMenuPageBody(*item.m_link);
        }
        for (int& v : item.m_values)
            v = m_ar.ReadInt();
        auto rect = ReadRect();
        item.m_rect = {rect[0], rect[1], rect[2], rect[3]};
        item.m_picture = ReadPath();
        for (int& v : item.m_more)
            v = m_ar.ReadInt();
        ReadStyled(item.m_label);
    }

    // --- conversion of old pan and zoom ---------------------------------------

    bool ConvertOldPanZoom(CProject& project) {
        bool changed = false;
        bool ignoreTransitions = GetSetting(Settings::OldPanZoom) != 0;
        bool wide = GetSetting(Settings::AspRatio) == 1;
        for (int a = 0; a < project.GetAlbumCount(); ++a) {
            CAlbum* album = project.GetAlbum(a);
            for (int s = 0; s < album->GetSlideCount(); ++s) {
                CSlide* slide = album->GetSlide(s);
                CAlbumItem* main = slide->GetMainItem();
                if (!main || main->GetKind() == CAlbumItem::kVideo || !main->m_legacy.m_hasOldCrop)
                    continue;
                int width = 0, height = 0;
                if (main->m_file.empty()) {
                    width = wide ? 1072 : 800;
                    height = wide ? 603 : 600;
                } else if (!IMediaProbe::Get().ProbePictureSize(main->m_file, width, height) ||
                           width <= 0 || height <= 0) {
                    continue;
                }
                double display, transition, following;
                slide->GetSlideTimes(display, transition, &following);
                if (ignoreTransitions)
                    transition = following = 0;
                OldPanZoom::CropsToKeyFrames(*main, width, height, wide, transition, display,
                                             following);
                main->m_legacy.m_hasOldCrop = false;
                changed = true;
            }
        }
        return changed;
    }

    CMainDoc& m_doc;
    CArchiveReader m_ar;
    std::string m_streamPath;
    double m_v = 0;
    int m_depth = 0;
    CProjMenu* m_menu = nullptr;
};

} // namespace

double CProjectReader::ParseVersion(const std::string& text) {
    std::string normalised = text;
    for (char& c : normalised)
        if (c < '0' || c > '9')
            c = '.';
    double value = 0;
    const char* begin = normalised.data();
    const char* end = begin + normalised.size();
    // A leading separator reads as "0." the way strtod reads ".5".
    std::string withZero;
    if (begin != end && *begin == '.') {
        withZero = "0" + normalised;
        begin = withZero.data();
        end = begin + withZero.size();
    }
    if (std::from_chars(begin, end, value).ec != std::errc())
        return 0;
    return value;
}

std::string CProjectReader::Reanchor(const std::string& path, const std::string& savedFrom,
                                     const std::string& streamPath) {
    std::string folder = LowerBackslashed(savedFrom);
    if (folder.empty() || folder.back() != '\\')
        folder += '\\';
    std::string rest = LowerBackslashed(path);
    bool matched = false;
    for (;;) {
        std::size_t sep = folder.find('\\');
        if (sep == std::string::npos)
            break;
        std::string_view component(folder.data(), sep + 1);
        if (rest.compare(0, component.size(), component) != 0)
            break;
        rest.erase(0, component.size());
        folder.erase(0, component.size());
        matched = true;
    }
    if (!matched)
        return {};
    std::string relative;
    for (char c : folder)
        if (c == '\\')
            relative += "..\\";
    relative += rest;

    std::string anchor = streamPath;
    std::replace(anchor.begin(), anchor.end(), '/', '\\');
    std::size_t last = anchor.find_last_of('\\');
    anchor = last == std::string::npos ? std::string() : anchor.substr(0, last);
    for (std::size_t up; (up = relative.find("..\\")) != std::string::npos;) {
        relative.erase(up, 3);
        std::size_t cut = anchor.find_last_of('\\');
        if (cut == std::string::npos)
            return {};
        anchor.erase(cut);
    }
    return anchor + "\\" + relative;
}

CProjectReader::EResult CProjectReader::Read(CMainDoc& doc, const void* data, std::size_t size,
                                             std::string& error, const ConfirmOldVersion& confirm,
                                             const std::string& streamPath) {
    error.clear();
    try {
        CReader reader(doc, data, size, streamPath);
        double version = reader.ReadHeader();
        if (version < 15 && GetSetting(Settings::WarnOldKVS) != 0 && confirm && !confirm(version)) {
            doc.Reset();
            return kDeclined;
        }
        reader.ReadBody();
        return kLoaded;
    } catch (const CArchiveException& e) {
        error = e.what();
    } catch (const std::bad_alloc&) {
        error = "Not enough memory to read the project";
    }
    doc.Reset();
    return kFailed;
}
