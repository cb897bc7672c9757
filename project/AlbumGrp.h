#pragma once

#include "project/FileWalk.h"
#include "project/ProjItem.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class CAlbum;

// A group of albums.
class CAlbumGrp : public CProjItem, public TFileRefs<CAlbumGrp> {
public:
    static const CRuntimeClass kRuntimeClass;
    [[nodiscard]] const CRuntimeClass* GetRuntimeClass() const override { return &kRuntimeClass; }

    CAlbumGrp();
    CAlbumGrp(const CAlbumGrp&) = delete;
    CAlbumGrp& operator=(const CAlbumGrp&) = delete;
    ~CAlbumGrp() override;

    [[nodiscard]] int GetAlbumCount() const { return int(m_albums.size()); }
    [[nodiscard]] CAlbum* GetAlbum(int index) const;
    [[nodiscard]] int IndexOfAlbum(const CAlbum* album) const;
    // Appends the album, makes the group its parent and owner, and reports the change.
    CAlbum* AddAlbum(std::unique_ptr<CAlbum> album);
    [[nodiscard]] int GetTotalSlideCount() const;
    // The first album with slides at or after the index; with wrap, the search
    // continues once more from the first album. Null when there is none.
    [[nodiscard]] CAlbum* FindAlbumWithSlides(int from, bool wrap) const;

    // The custom title when its flag is set, else the name.
    [[nodiscard]] const std::string& GetTitle() const;
    // The group's own picture when set, else the picture of its first album
    // that has slides.
    [[nodiscard]] std::string GetPicture() const;
    const std::string& GetShortName();

    // The first 8 characters of a name, upper-cased, with every character other
    // than 0-9, A-Z and '_' replaced by '_'.
    static std::string MakeShortName(std::string_view name);

    void WalkFiles(CFileWalk& walk);

    std::string m_name;
    std::string m_shortName;
    std::string m_picture;
    int m_customTitleFlag = 0;
    std::string m_customTitle;
    int m_nextAlbumNumber = 1;
    int m_second = -1; // kept and stored
    int m_flag = 0;    // kept and stored

private:
    std::vector<std::unique_ptr<CAlbum>> m_albums;
};
