#include "project/ProjectWriter.h"

#include "project/Album.h"
#include "project/AlbumGrp.h"
#include "project/ArchiveWriter.h"
#include "project/MainDoc.h"
#include "project/Project.h"
#include "project/ProjMenu.h"
#include "project/Slide.h"

namespace {

constexpr std::uint32_t kMagic = 0xCEFABEBA;

class CWriter {
public:
    CWriter(const CMainDoc& doc, bool packagePaths) : m_doc(doc), m_packagePaths(packagePaths) {}

    std::string Write(CProject& project, const std::string& savedFrom) {
        m_ar.WriteDword(kMagic);
        m_ar.WriteString("18.00");
        m_ar.WriteString(savedFrom);
        m_ar.WriteInt(m_packagePaths ? 1 : 0);
        WriteProject(project);
        return m_ar.Take();
    }

private:
    void WritePath(const std::string& path) {
        m_ar.WriteString(m_packagePaths && !path.empty() ? CProjectWriter::PackagePath(m_doc, path)
                                                         : path);
    }

    void WriteProject(CProject& project) {
        m_ar.WriteInt(project.m_nextGroupNumber);
        m_ar.WriteInt(project.m_second);
        m_ar.WriteInt(project.GetGroupCount());
        for (int i = 0; i < project.GetGroupCount(); ++i)
            WriteGroup(*project.GetGroup(i));
        m_ar.WriteInt(project.GetSubtitleColor());
        m_ar.WriteInt(project.GetSubtitleEdgeColor());
        WriteMenu(project.GetMenu());
        m_ar.WriteString(project.GetBurnInfo().m_folder);
    }

    void WriteGroup(CAlbumGrp& group) {
        m_ar.WriteString(group.m_name);
        m_ar.WriteInt(group.m_nextAlbumNumber);
        m_ar.WriteInt(group.m_second);
        WritePath(group.m_picture);
        m_ar.WriteInt(group.m_customTitleFlag);
        m_ar.WriteString(group.m_customTitle);
        m_ar.WriteInt(group.GetAlbumCount());
        for (int i = 0; i < group.GetAlbumCount(); ++i)
            WriteAlbum(*group.GetAlbum(i));
        m_ar.WriteInt(group.m_flag);
    }

    void WriteAlbum(CAlbum& album) {
        m_ar.WriteString(album.m_name);
        m_ar.WriteString(album.m_transitionName);
        m_ar.WriteDouble(album.m_transitionLength);
        m_ar.WriteInt(int(album.m_music.size()));
        for (const CMusicFile& music : album.m_music)
            WriteMusic(music);
        m_ar.WriteInt(album.GetSlideCount());
        for (int i = 0; i < album.GetSlideCount(); ++i)
            WriteSlideObject(album.GetSlide(i));
        m_ar.WriteInt(album.m_musicFlags);
        m_ar.WriteInt(album.m_musicFadeIn);
        m_ar.WriteInt(album.m_musicFadeOut);
        m_ar.WriteInt(album.GetMusicVolume());
        WritePath(album.m_picture);
        m_ar.WriteInt(album.m_customTitleFlag);
        m_ar.WriteString(album.m_customTitle);
    }

    void WriteMusic(const CMusicFile& music) {
        WritePath(music.GetPath());
        m_ar.WriteDouble(music.GetStart());
        m_ar.WriteDouble(music.GetLength());
        m_ar.WriteDouble(music.m_fadeIn);
        m_ar.WriteDouble(music.m_fadeOut);
    }

    void WriteSlideObject(const CSlide* slide) {
        if (!m_ar.WriteTag(slide))
            return;
        m_ar.WriteString(slide->GetTransitionName());
        m_ar.WriteDouble(slide->m_transitionLength);
        m_ar.WriteDouble(slide->m_displayTime);
        m_ar.WriteInt(slide->m_backgroundMode);
        m_ar.WriteInt(slide->m_backgroundColor);
        WritePath(slide->m_backgroundPicture);
        m_ar.WriteDouble(slide->m_soundVolume);
        m_ar.WriteDouble(slide->m_soundFadeIn);
        m_ar.WriteDouble(slide->m_soundFadeOut);
        m_ar.WriteDouble(slide->m_soundDelay);
        m_ar.WriteInt(slide->m_soundToAlbumEnd);
        m_ar.WriteDouble(slide->m_musicLevel);
        m_ar.WriteDouble(slide->m_musicRestoreRamp);
        m_ar.WriteDouble(slide->m_musicLoweringRamp);
        WriteItemObject(slide->GetMainVideo());
        WriteStyled(slide->m_subtitle);
        WriteMusic(slide->m_sound);
        m_ar.WriteInt(slide->GetItemCount());
        for (int i = 0; i < slide->GetItemCount(); ++i)
            WriteItemObject(slide->GetItem(i));
        m_ar.WriteInt(slide->GetCaptionCount());
        for (int i = 0; i < slide->GetCaptionCount(); ++i)
            WriteCaptionObject(slide->GetCaption(i));
        m_ar.WriteString(slide->m_layoutName);
        m_ar.WriteInt(slide->m_randomSeed);
        WriteEffectValues(slide->m_layoutValues);
        WriteEffectValues(slide->m_transitionValues);
    }

    void WriteEffectValues(const CEffectValues& values) {
        m_ar.WriteInt(int(values.size()));
        for (const SEffectValue& value : values) {
            m_ar.WriteString(value.m_key);
            m_ar.WriteInt(value.m_value);
        }
    }

    void WriteItemObject(const CAlbumItem* item) {
        if (!m_ar.WriteTag(item))
            return;
        WritePath(item->m_file);
        WriteSlideObject(item->GetEmbeddedSlide());
        WriteMusic(item->m_sound);
        for (double v : {item->m_reserved2, item->m_reserved1, item->m_startOffset,
                         item->m_playLength, item->m_extraTime, item->m_volume, item->m_fadeIn,
                         item->m_fadeOut})
            m_ar.WriteDouble(v);
        for (int v : {item->m_stretch, item->m_rotation, item->m_mirrorH, item->m_mirrorV,
                      item->m_autoLevels})
            m_ar.WriteInt(v);
        for (double v : {item->m_brightness, item->m_contrast, item->m_cropX, item->m_cropY,
                         item->m_cropWidth, item->m_cropHeight})
            m_ar.WriteDouble(v);
        m_ar.WriteInt(int(item->GetKeyFrames().size()));
        for (const CKeyFrame& key : item->GetKeyFrames()) {
            for (double v : {key.m_time, key.m_x, key.m_y, key.m_scale, key.m_opacity,
                             key.m_rotation})
                m_ar.WriteDouble(v);
            m_ar.WriteInt(key.m_easing);
            m_ar.WriteInt(key.m_extra);
        }
    }

    void WriteCaptionObject(const CTextCaption* caption) {
        if (!m_ar.WriteTag(caption))
            return;
        WriteStyled(caption->m_text);
        for (double v : {caption->m_x, caption->m_y, caption->m_start, caption->m_duration,
                         caption->m_effectInOut})
            m_ar.WriteDouble(v);
        m_ar.WriteString(caption->m_effect);
    }

    void WriteStyled(const CStyledString& text) {
        m_ar.WriteString(text.m_text);
        m_ar.WriteString(text.m_font);
        m_ar.WriteInt(text.m_size);
        m_ar.WriteInt(text.m_flags);
        m_ar.WriteInt(text.GetOwnColor());
        m_ar.WriteInt(text.GetEdgeWidth());
        m_ar.WriteInt(text.GetOwnEdgeColor());
    }

    void WriteMenu(const CProjMenu& menu) {
        m_ar.WriteInt(menu.m_value);
        m_ar.WriteInt(menu.m_second);
        for (const auto* list : {&menu.m_pages, &menu.m_morePages}) {
            m_ar.WriteInt(int(list->size()));
            for (const auto& page : *list)
                WriteMenuPageObject(page.get());
        }
    }

    void WriteMenuPageObject(const CProjMenuPage* page) {
        if (!m_ar.WriteTag(page))
            return;
        for (int v : page->m_values)
            m_ar.WriteInt(v);
        WritePath(page->m_picture);
        m_ar.WriteString(page->m_title);
        WriteMusic(page->m_sound);
        m_ar.WriteInt(int(page->m_items.size()));
        for (const auto& item : page->m_items) {
            if (!m_ar.WriteTag(item.get()))
                continue;
            WriteMenuPageObject(item->m_link);
            for (int v : item->m_values)
                m_ar.WriteInt(v);
            for (int v : {item->m_rect.m_left, item->m_rect.m_top, item->m_rect.m_right,
                          item->m_rect.m_bottom})
                m_ar.WriteInt(v);
            WritePath(item->m_picture);
            for (int v : item->m_more)
                m_ar.WriteInt(v);
            WriteStyled(item->m_label);
        }
    }

    const CMainDoc& m_doc;
    bool m_packagePaths;
    CArchiveWriter m_ar;
};

} // namespace

std::string CProjectWriter::PackagePath(const CMainDoc& doc, const std::string& path) {
    auto it = doc.m_packageNames.find(path);
    std::string name = it != doc.m_packageNames.end() ? it->second
                                                      : std::string(Paths::FileName(path));
    return "Z:\\Files\\" + name;
}

std::string CProjectWriter::Write(CMainDoc& doc, bool packagePaths, const std::string& savedFrom) {
    CWriter writer(doc, packagePaths);
    return writer.Write(doc.GetProject(), savedFrom);
}
