#pragma once

#include "base/ClonePtr.h"
#include "project/AlbumItem.h"
#include "project/EffectValue.h"
#include "project/FileWalk.h"
#include "project/MusicFile.h"
#include "project/StyledString.h"
#include "project/TextCaption.h"
#include "project/Video.h"

#include <memory>
#include <string>
#include <vector>

class ISlideContainer;

// One step of an album's timeline: media items with pan and zoom, captions, a
// subtitle and a sound, entered through a transition. Times are seconds.
class CSlide : public CProjItem {
public:
    static const CRuntimeClass kRuntimeClass;
    [[nodiscard]] const CRuntimeClass* GetRuntimeClass() const override { return &kRuntimeClass; }

    // The slide's subtitle. Its colour and edge colour are those of the project
    // the slide belongs to, shared by every subtitle of that project; a slide
    // outside any project shows the subtitle's own colours. The edge width is
    // always the subtitle's own.
    class CSubtitle : public CStyledString {
    public:
        explicit CSubtitle(CSlide* owner);
        CSubtitle(const CSubtitle&) = delete;
        CSubtitle& operator=(const CSubtitle&) = delete;
        // Copies text and style, including the own colour fields, but not the owner.
        void CopyFrom(const CStyledString& other);

        [[nodiscard]] int GetColor() const override;
        void SetColor(int color) override;
        bool GetEdge(int& color, int& width) const override;
        void SetEdgeColor(int color) override;

    private:
        CSlide* const m_owner;
    };

    // The sound a slide plays with its level and fades (see GetSlideSound).
    struct SSound {
        CMusicFile m_file;
        double m_volume = 1.0;
        double m_fadeIn = 0.0;
        double m_fadeOut = 0.0;
    };

    enum EBackground : int { kBackgroundColor = 0, kBackgroundStretch = 1, kBackgroundFill = 2 };

    // Defaults from the settings "Effect", "PicDelay", "EffDelay" and
    // "ImgBkColor"; a fresh random seed (see NextRandomSeed).
    CSlide();
    CSlide(const CSlide& other);
    CSlide& operator=(const CSlide&) = delete;
    ~CSlide() override;

    [[nodiscard]] std::unique_ptr<CSlide> Clone() const { return std::make_unique<CSlide>(*this); }
    // Copies every field of another slide, cloning its media items, captions and
    // effect values, and taking over its container.
    void CopySlideFrom(const CSlide& other);

    // Display time and transition length, and when asked the length of the
    // transition that follows (from the container; 0 without one).
    void GetSlideTimes(double& displayTime, double& transitionLength,
                       double* following = nullptr) const;
    // Transition + display time + the following transition.
    [[nodiscard]] double GetSlideTotal() const;

    [[nodiscard]] const std::string& GetTransitionName() const { return m_transitionName; }
    // A different name (compared case-sensitively) drops the transition's values.
    void SetTransitionName(const std::string& name);

    // With more than one media item the main item (null when none is set);
    // otherwise the only media item; null without media items.
    [[nodiscard]] CAlbumItem* GetMainItem() const;
    // The sound of the main item with its volume and fades; the slide's own
    // sound, volume and fades only when there is no main item.
    [[nodiscard]] SSound GetSlideSound() const;

    // Takes a clone of the item and inserts it before the position (appends when
    // the position is negative or past the end). Returns the clone.
    CAlbumItem* AddItem(const CAlbumItem& item, int position = -1);
    // The same with an item the slide takes over instead of a clone.
    CAlbumItem* AddItem(std::unique_ptr<CAlbumItem> item, int position = -1);
    // The same for a caption; returns the copy.
    CTextCaption* AddCaption(const CTextCaption& caption, int position = -1);
    CTextCaption* AddCaption(std::unique_ptr<CTextCaption> caption, int position = -1);

    [[nodiscard]] int GetItemCount() const { return int(m_items.size()); }
    [[nodiscard]] CAlbumItem* GetItem(int index) const;
    void RemoveItems() { m_items.clear(); }
    [[nodiscard]] int GetCaptionCount() const { return int(m_captions.size()); }
    [[nodiscard]] CTextCaption* GetCaption(int index) const;

    [[nodiscard]] CVideo* GetMainVideo() const { return m_mainItem.get(); }
    void SetMainVideo(std::unique_ptr<CVideo> video);

    // Visits the files of the media items (file, then sound), of the main item,
    // the slide's sound and its background picture.
    void WalkFiles(CFileWalk& walk);

    [[nodiscard]] ISlideContainer* GetContainer() const { return m_container; }
    void SetContainer(ISlideContainer* container) { m_container = container; }

    double m_displayTime;
    double m_transitionLength;
    CEffectValues m_transitionValues;
    std::string m_layoutName; // a multi-picture effect; empty for none
    CEffectValues m_layoutValues;
    int m_randomSeed;

    CMusicFile m_sound;
    double m_soundVolume = 1.0;
    double m_soundFadeIn = 0.0;
    double m_soundFadeOut = 0.0;
    double m_soundDelay = 0.0;      // after the slide's start
    double m_musicLevel = 1.0;      // album music factor while the sound plays
    double m_musicRestoreRamp = 0.0;  // 0 means 0.1 s
    double m_musicLoweringRamp = 0.0; // 0 means 0.1 s
    int m_soundToAlbumEnd = 0;

    CSubtitle m_subtitle{this};
    int m_backgroundMode = kBackgroundColor;
    int m_backgroundColor;
    std::string m_backgroundPicture;

    // The seed a new slide takes: a process-wide counter starts at the current
    // time in seconds; each slide seeds the C runtime's generator (state *
    // 214013 + 2531011, result bits 16 to 30) with the counter, advances the
    // counter and keeps the generator's first value.
    static int NextRandomSeed();

private:
    CClonePtr<CVideo> m_mainItem;
    std::vector<std::unique_ptr<CAlbumItem>> m_items;
    std::string m_transitionName;
    std::vector<std::unique_ptr<CTextCaption>> m_captions;
    ISlideContainer* m_container = nullptr;
};
