#include "project/AlbumGrp.h"

#include "project/Album.h"
#include "project/TextCodec.h"

#include <algorithm>

const CRuntimeClass CAlbumGrp::kRuntimeClass{"CAlbumGrp", &CProjItem::kRuntimeClass, nullptr};

CAlbumGrp::CAlbumGrp() = default;
CAlbumGrp::~CAlbumGrp() = default;

CAlbum* CAlbumGrp::GetAlbum(int index) const {
    return index >= 0 && index < int(m_albums.size()) ? m_albums[std::size_t(index)].get()
                                                     : nullptr;
}

int CAlbumGrp::IndexOfAlbum(const CAlbum* album) const {
    for (std::size_t i = 0; i < m_albums.size(); ++i)
        if (m_albums[i].get() == album)
            return int(i);
    return -1;
}

CAlbum* CAlbumGrp::AddAlbum(std::unique_ptr<CAlbum> album) {
    CAlbum* raw = album.get();
    if (!raw)
        return nullptr;
    raw->SetParent(this);
    raw->SetGroup(this);
    m_albums.push_back(std::move(album));
    raw->NotifyChanged();
    return raw;
}

int CAlbumGrp::GetTotalSlideCount() const {
    int total = 0;
    for (const auto& album : m_albums)
        total += album->GetSlideCount();
    return total;
}

CAlbum* CAlbumGrp::FindAlbumWithSlides(int from, bool wrap) const {
    int count = int(m_albums.size());
    for (int i = std::max(from, 0); i < count; ++i)
        if (m_albums[std::size_t(i)]->GetSlideCount() > 0)
            return m_albums[std::size_t(i)].get();
    if (wrap)
        for (int i = 0; i < std::min(from, count); ++i)
            if (m_albums[std::size_t(i)]->GetSlideCount() > 0)
                return m_albums[std::size_t(i)].get();
    return nullptr;
}

const std::string& CAlbumGrp::GetTitle() const { return m_customTitleFlag ? m_customTitle : m_name; }

std::string CAlbumGrp::GetPicture() const {
    if (!m_picture.empty())
        return m_picture;
    const CAlbum* album = FindAlbumWithSlides(0, false);
    return album ? album->GetAlbumPicture() : std::string();
}

const std::string& CAlbumGrp::GetShortName() {
    m_shortName = MakeShortName(m_name);
    return m_shortName;
}

std::string CAlbumGrp::MakeShortName(std::string_view name) {
    std::string shortName;
    for (std::size_t pos = 0, n = 0; pos < name.size() && n < 8; ++n) {
        char32_t c = TextCodec::DecodeUtf8(name, pos);
        if (c >= 'a' && c <= 'z')
            c -= 32;
        bool keep = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || c == '_';
        shortName += keep ? char(c) : '_';
    }
    return shortName;
}

void CAlbumGrp::WalkFiles(CFileWalk& walk) {
    walk.OnPath(m_picture);
    for (const auto& album : m_albums)
        album->WalkFiles(walk);
}
