#pragma once

#include "project/AlbumItem.h"

// A built-in sample picture. Its two values are copied with the item but not
// stored in project streams; the second names the built-in picture (a negative
// value stands for picture 194).
class CImageSamp : public CAlbumItem {
public:
    static const CRuntimeClass kRuntimeClass;
    [[nodiscard]] const CRuntimeClass* GetRuntimeClass() const override { return &kRuntimeClass; }

    using CAlbumItem::CAlbumItem;

    [[nodiscard]] int GetKind() const override { return kImageSamp; }
    [[nodiscard]] std::unique_ptr<CAlbumItem> Clone() const override {
        return std::make_unique<CImageSamp>(*this);
    }

    int m_sampleValue = 1;
    int m_sampleResource = -1;
};
