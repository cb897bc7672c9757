#pragma once

#include "project/AlbumItem.h"

// A video clip on a slide.
class CVideo : public CAlbumItem {
public:
    static const CRuntimeClass kRuntimeClass;
    [[nodiscard]] const CRuntimeClass* GetRuntimeClass() const override { return &kRuntimeClass; }

    using CAlbumItem::CAlbumItem;

    [[nodiscard]] int GetKind() const override { return kVideo; }
    [[nodiscard]] std::unique_ptr<CAlbumItem> Clone() const override {
        return std::make_unique<CVideo>(*this);
    }
    // From the clip's file information; 0 when it cannot be read.
    [[nodiscard]] double GetDuration() const override;
    // The item's sound entry when it names a file; otherwise the clip's own sound
    // track over the item's start offset and play length, unless the clip is
    // known to have none.
    [[nodiscard]] CMusicFile GetSound() const override;

    // Set at run time when the clip turns out to have no sound track.
    bool m_noSoundTrack = false;
};
