// Feeds arbitrary text to the album description reader as pack does, and
// describes what it read back as dump does.
#include "fuzz/FuzzTargets.h"
#include "project/Album.h"
#include "project/AlbumGrp.h"
#include "project/AlbumJson.h"
#include "project/MainDoc.h"

#include <nlohmann/json.hpp>

#include <exception>
#include <memory>
#include <string>

int kvfuzz::AlbumJson(const std::uint8_t* data, std::size_t size) {
    const nlohmann::ordered_json json =
        nlohmann::ordered_json::parse(data, data + size, nullptr, false);
    if (json.is_discarded())
        return 0;
    // Paths are taken as they are: the reader never opens them.
    auto samePath = [](const std::string& path) { return path; };
    CMainDoc doc;
    CProject& project = doc.GetProject();
    CAlbumGrp* group = project.AddGroup(std::make_unique<CAlbumGrp>());
    CAlbum* album = group->AddAlbum(std::make_unique<CAlbum>());
    try {
        CAlbumJson::FromJson(json, *album, project, samePath);
    } catch (const std::exception&) {
        return 0;
    }
    const nlohmann::ordered_json back = CAlbumJson::ToJson(*album, project, samePath);
    (void)back.dump();
    return 0;
}
