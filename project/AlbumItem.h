#pragma once

#include "base/ClonePtr.h"
#include "project/KeyFrame.h"
#include "project/MusicFile.h"
#include "project/ProjItem.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

class CSlide;

// A media item shown on a slide: the base of pictures, sample pictures and
// video clips. Its kind is a virtual query.
class CAlbumItem : public CProjItem {
public:
    static const CRuntimeClass kRuntimeClass;
    [[nodiscard]] const CRuntimeClass* GetRuntimeClass() const override { return &kRuntimeClass; }

    enum EKind : int { kItem = 0, kImage = 1, kImageSamp = 2, kVideo = 3 };

    explicit CAlbumItem(std::string file = {});
    CAlbumItem(const CAlbumItem& other);
    CAlbumItem& operator=(const CAlbumItem&) = delete;
    ~CAlbumItem() override;

    [[nodiscard]] virtual int GetKind() const { return kItem; }
    [[nodiscard]] virtual std::unique_ptr<CAlbumItem> Clone() const;
    // The clip's duration in seconds for a video clip; 0 for other kinds.
    [[nodiscard]] virtual double GetDuration() const { return 0.0; }
    // The sound this item plays: its sound entry (a video clip falls back to
    // its own sound track).
    [[nodiscard]] virtual CMusicFile GetSound() const { return m_sound; }

    std::string m_file;
    CMusicFile m_sound;
    double m_reserved1 = 1.0; // stored and copied only
    double m_reserved2 = 0.0; // stored and copied only
    double m_volume = 1.0;    // 1.0 = unchanged
    double m_fadeIn = 0.0;
    double m_fadeOut = 0.0;
    double m_playLength = 0.0;  // seconds; 0 = to the end of the clip
    double m_startOffset = 0.0; // seconds into the clip
    double m_extraTime = 0.0;   // seconds added to the clip's play length
    int m_stretch = 0;          // 1 stretches to the frame, else fits keeping the aspect
    int m_rotation = 0;         // quarter turns, 0 to 3
    int m_mirrorH = 0;
    int m_mirrorV = 0;
    double m_brightness = 0.0; // 0 = unchanged
    double m_contrast = 0.0;   // 0 = unchanged
    int m_autoLevels = 0;      // replaces brightness and contrast when set
    double m_cropX = 0.0;      // crop centre, offset from the picture centre in
    double m_cropY = 0.0;      // fractions of its width and height
    double m_cropWidth = 1.0;  // crop size in fractions of the picture
    double m_cropHeight = 1.0;

    // Slide values that files before version 15 kept on the item.
    struct SLegacy {
        int m_flag = 0;
        std::string m_transition;
        double m_displayTime = -1.0;
        double m_transitionLength = -1.0;
        int m_musicLevel = 100; // percent
        double m_restoreRamp = 0.0;
        double m_loweringRamp = 0.0;
        // Crop rectangles (left, top, right, bottom in picture pixels) at the
        // start and the end of the slide, from files before version 12. They are
        // turned into keyframes once, after the whole project has been read.
        bool m_hasOldCrop = false;
        std::array<int, 4> m_oldCropStart{};
        std::array<int, 4> m_oldCropEnd{};
    } m_legacy;

    // Keyframes sorted by time. A new item has two: at time 0 and time 1, both
    // centred at scale 1, opaque, unrotated and linear.
    [[nodiscard]] const std::vector<CKeyFrame>& GetKeyFrames() const { return m_keyFrames; }
    // Inserts before the first keyframe whose time is greater, so keyframes with
    // equal times keep the order in which they were added.
    void AddKeyFrame(const CKeyFrame& key);
    void ClearKeyFrames() { m_keyFrames.clear(); }
    void ResetKeyFrames();

    [[nodiscard]] CSlide* GetEmbeddedSlide() const { return m_embeddedSlide.get(); }
    void SetEmbeddedSlide(std::unique_ptr<CSlide> slide);

private:
    std::vector<CKeyFrame> m_keyFrames;
    CClonePtr<CSlide> m_embeddedSlide;
};
