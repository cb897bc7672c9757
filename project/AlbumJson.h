#pragma once

#include <functional>
#include <memory>
#include <nlohmann/json_fwd.hpp>
#include <string>

class CAlbum;
class CProject;

// The JSON description of an album that templates are authored in and dumped
// to (see docs/template-format.md). It holds everything an album stores: its
// slides with their media items, captions, subtitles, backgrounds, sounds and
// effects, the album's music, and the project's subtitle colours.
class CAlbumJson {
public:
    // Describes the album. Every file path goes through mapPath, which gives
    // the form the description refers to the file by.
    static nlohmann::ordered_json ToJson(const CAlbum& album, const CProject& project,
                                         const std::function<std::string(const std::string&)>& mapPath);

    // Fills an album (and the project's subtitle colours) from a description.
    // Fields that are absent keep the model's defaults. Every file path goes
    // through mapPath. Throws std::runtime_error naming the offending field.
    static void FromJson(const nlohmann::ordered_json& json, CAlbum& album, CProject& project,
                         const std::function<std::string(const std::string&)>& mapPath);
};
