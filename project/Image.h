#pragma once

#include "project/AlbumItem.h"

// A picture on a slide.
class CImage : public CAlbumItem {
public:
    static const CRuntimeClass kRuntimeClass;
    [[nodiscard]] const CRuntimeClass* GetRuntimeClass() const override { return &kRuntimeClass; }

    using CAlbumItem::CAlbumItem;

    [[nodiscard]] int GetKind() const override { return kImage; }
    [[nodiscard]] std::unique_ptr<CAlbumItem> Clone() const override {
        return std::make_unique<CImage>(*this);
    }
};
