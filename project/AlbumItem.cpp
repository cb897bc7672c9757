#include "project/AlbumItem.h"

#include "project/Slide.h"

#include <algorithm>

namespace {
CObject* CreateAlbumItem() { return new CAlbumItem; }
} // namespace

const CRuntimeClass CAlbumItem::kRuntimeClass{"CAlbumItem", &CProjItem::kRuntimeClass,
                                              &CreateAlbumItem};

CAlbumItem::CAlbumItem(std::string file) : m_file(std::move(file)) { ResetKeyFrames(); }

CAlbumItem::CAlbumItem(const CAlbumItem& other) = default;
CAlbumItem::~CAlbumItem() = default;

std::unique_ptr<CAlbumItem> CAlbumItem::Clone() const {
    return std::make_unique<CAlbumItem>(*this);
}

void CAlbumItem::AddKeyFrame(const CKeyFrame& key) {
    auto at = std::upper_bound(m_keyFrames.begin(), m_keyFrames.end(), key.m_time,
                               [](double t, const CKeyFrame& k) { return t < k.m_time; });
    m_keyFrames.insert(at, key);
}

void CAlbumItem::ResetKeyFrames() {
    m_keyFrames.clear();
    CKeyFrame end;
    end.m_time = 1.0;
    m_keyFrames.push_back(CKeyFrame{});
    m_keyFrames.push_back(end);
}

void CAlbumItem::SetEmbeddedSlide(std::unique_ptr<CSlide> slide) {
    m_embeddedSlide = std::move(slide);
}
