#pragma once

#include "project/FileWalk.h"
#include "project/MusicFile.h"
#include "project/ProjItem.h"
#include "project/SlideContainer.h"

#include <memory>
#include <string>
#include <vector>

class CAlbumGrp;
class CSlide;

// An ordered list of slides with background music and the album's sound
// settings. Times are seconds.
class CAlbum : public CProjItem, public ISlideContainer, public TFileRefs<CAlbum> {
public:
    static const CRuntimeClass kRuntimeClass;
    [[nodiscard]] const CRuntimeClass* GetRuntimeClass() const override { return &kRuntimeClass; }

    enum EMusicFlags : int {
        kMusicRepeat = 2, // repeat the music until the album ends, else cut it there
        kMusicFade = 4,   // apply the album's music fade-in and fade-out
    };

    // Defaults from the settings "Effect", "EffDelay" and "AudioFade".
    CAlbum();
    CAlbum(const CAlbum&) = delete;
    CAlbum& operator=(const CAlbum&) = delete;
    ~CAlbum() override;

    [[nodiscard]] int GetSlideCount() const { return int(m_slides.size()); }
    // Null when the index is out of range.
    [[nodiscard]] CSlide* GetSlide(int index) const;

    // ISlideContainer
    // The transition length of the slide after the given one; the album's
    // closing transition for the last slide or a slide not in the album.
    [[nodiscard]] double GetTransitionAfter(const CSlide* slide) const override;
    void GetSlides(std::vector<CSlide*>& slides) const override;
    [[nodiscard]] int IndexOfSlide(const CSlide* slide) const override;
    [[nodiscard]] int GetStartPosition() const override { return m_slides.empty() ? -1 : 0; }

    // The sum of every slide's display time and transition length, plus the
    // closing transition when there is at least one slide.
    [[nodiscard]] double GetAlbumDuration() const;
    void GetClosingTransition(std::string& name, double& length) const;

    // The longest album the program renders: one day. Longer albums come only
    // from damaged or hostile files, and their frame numbers would not fit the
    // engine's counters at every rate.
    static constexpr double kMaxDuration = 24.0 * 3600.0;
    // Whether every time of the album is a finite number of seconds of at most
    // kMaxDuration (durations also not negative) and the album lasts at most
    // kMaxDuration. Otherwise why names the first bad time.
    [[nodiscard]] bool CheckTimes(std::string& why) const;

    // Takes a clone of the slide and inserts it before the position (appends
    // when the position is negative or past the end). Returns the clone.
    CSlide* AddSlide(const CSlide& slide, int position = -1);
    // The same with a slide the album takes over instead of a clone.
    CSlide* AddSlide(std::unique_ptr<CSlide> slide, int position = -1);
    void ClearSlides();

    // Copies another album's settings, music and slides (the slides as clones).
    // The owning group is copied too; a caller that keeps the album in its own
    // group sets the group again afterwards.
    void CopyAlbumFrom(const CAlbum& other);

    [[nodiscard]] CAlbumGrp* GetGroup() const { return m_group; }
    void SetGroup(CAlbumGrp* group) { m_group = group; }

    // Music volume in percent; always kept within 0 to 100.
    [[nodiscard]] int GetMusicVolume() const { return m_musicVolume; }
    void SetMusicVolume(int percent);

    // The first 8 characters of the name, upper-cased, with every character
    // other than 0-9, A-Z and '_' replaced by '_'; also stored as m_shortName.
    const std::string& GetShortName();
    // The album picture when set, else the file of the first slide's main item.
    [[nodiscard]] std::string GetAlbumPicture() const;

    void WalkFiles(CFileWalk& walk);

    std::string m_name;
    std::string m_shortName;
    std::string m_picture;
    std::string m_customTitle;
    int m_customTitleFlag = 0;
    int m_extra = 0;                 // copied with the album, not stored
    std::string m_transitionName;    // the closing transition after the last slide
    double m_transitionLength;
    std::vector<CMusicFile> m_music; // background music, in playing order
    int m_musicFlags = kMusicRepeat;
    int m_musicFadeIn = 0;           // whole seconds
    int m_musicFadeOut;              // whole seconds

private:
    std::vector<std::unique_ptr<CSlide>> m_slides;
    CAlbumGrp* m_group = nullptr;
    int m_musicVolume = 100;
};
