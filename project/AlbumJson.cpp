#include "project/AlbumJson.h"

#include "media/MediaKind.h"
#include "project/Album.h"
#include "project/Image.h"
#include "project/ImageSamp.h"
#include "project/Project.h"
#include "project/Slide.h"
#include "project/Video.h"

#include <nlohmann/json.hpp>

#include <stdexcept>

using Json = nlohmann::ordered_json;
using PathFn = std::function<std::string(const std::string&)>;

namespace {

// --- writing ------------------------------------------------------------------

// Colours 0x00BBGGRR are written as "#RRGGBB"; other values stay numbers.
Json ColorToJson(int color) {
    if (color < 0 || color > 0xFFFFFF)
        return color;
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", color & 0xFF, (color >> 8) & 0xFF,
                  (color >> 16) & 0xFF);
    return text;
}

Json MusicToJson(const CMusicFile& music, const PathFn& mapPath) {
    return Json{{"file", mapPath(music.GetPath())},
                {"start", music.GetStart()},
                {"length", music.GetLength()},
                {"fadeIn", music.m_fadeIn},
                {"fadeOut", music.m_fadeOut}};
}

Json StyledToJson(const CStyledString& text) {
    return Json{{"text", text.m_text},
                {"font", text.m_font},
                {"size", text.m_size},
                {"flags", text.m_flags},
                {"color", ColorToJson(text.GetOwnColor())},
                {"edgeWidth", text.GetEdgeWidth()},
                {"edgeColor", ColorToJson(text.GetOwnEdgeColor())}};
}

Json ValuesToJson(const CEffectValues& values) {
    Json list = Json::array();
    for (const SEffectValue& value : values)
        list.push_back(Json::array({value.m_key, value.m_value}));
    return list;
}

const char* KindName(int kind) {
    switch (kind) {
    case CAlbumItem::kImage: return "image";
    case CAlbumItem::kImageSamp: return "sample";
    case CAlbumItem::kVideo: return "video";
    default: return "item";
    }
}

Json SlideToJson(const CSlide& slide, const PathFn& mapPath);

Json ItemToJson(const CAlbumItem& item, const PathFn& mapPath) {
    Json keys = Json::array();
    for (const CKeyFrame& key : item.GetKeyFrames())
        keys.push_back(Json{{"time", key.m_time},
                            {"x", key.m_x},
                            {"y", key.m_y},
                            {"scale", key.m_scale},
                            {"opacity", key.m_opacity},
                            {"rotation", key.m_rotation},
                            {"easing", key.m_easing},
                            {"extra", key.m_extra}});
    Json json{{"kind", KindName(item.GetKind())},
              {"file", mapPath(item.m_file)},
              {"sound", MusicToJson(item.m_sound, mapPath)},
              {"volume", item.m_volume},
              {"fadeIn", item.m_fadeIn},
              {"fadeOut", item.m_fadeOut},
              {"startOffset", item.m_startOffset},
              {"playLength", item.m_playLength},
              {"extraTime", item.m_extraTime},
              {"reserved", Json::array({item.m_reserved1, item.m_reserved2})},
              {"stretch", item.m_stretch},
              {"rotation", item.m_rotation},
              {"mirrorH", item.m_mirrorH},
              {"mirrorV", item.m_mirrorV},
              {"autoLevels", item.m_autoLevels},
              {"brightness", item.m_brightness},
              {"contrast", item.m_contrast},
              {"crop", Json{{"x", item.m_cropX},
                            {"y", item.m_cropY},
                            {"width", item.m_cropWidth},
                            {"height", item.m_cropHeight}}},
              {"keyFrames", keys}};
    if (const CSlide* embedded = item.GetEmbeddedSlide())
        json["embeddedSlide"] = SlideToJson(*embedded, mapPath);
    return json;
}

Json SlideToJson(const CSlide& slide, const PathFn& mapPath) {
    static const char* kModes[] = {"color", "stretch", "fill"};
    int mode = slide.m_backgroundMode;
    Json items = Json::array();
    for (int i = 0; i < slide.GetItemCount(); ++i)
        items.push_back(ItemToJson(*slide.GetItem(i), mapPath));
    Json captions = Json::array();
    for (int i = 0; i < slide.GetCaptionCount(); ++i) {
        const CTextCaption& caption = *slide.GetCaption(i);
        Json json = StyledToJson(caption.m_text);
        json["x"] = caption.m_x;
        json["y"] = caption.m_y;
        json["start"] = caption.m_start;
        json["duration"] = caption.m_duration;
        json["effect"] = caption.m_effect;
        json["effectInOut"] = caption.m_effectInOut;
        captions.push_back(json);
    }
    Json sound = MusicToJson(slide.m_sound, mapPath);
    sound["volume"] = slide.m_soundVolume;
    sound["slideFadeIn"] = slide.m_soundFadeIn;
    sound["slideFadeOut"] = slide.m_soundFadeOut;
    sound["delay"] = slide.m_soundDelay;
    sound["toAlbumEnd"] = slide.m_soundToAlbumEnd != 0;
    sound["musicLevel"] = slide.m_musicLevel;
    sound["restoreRamp"] = slide.m_musicRestoreRamp;
    sound["loweringRamp"] = slide.m_musicLoweringRamp;
    Json json{{"displayTime", slide.m_displayTime},
              {"transition", Json{{"name", slide.GetTransitionName()},
                                  {"length", slide.m_transitionLength},
                                  {"settings", ValuesToJson(slide.m_transitionValues)}}},
              {"layout", Json{{"name", slide.m_layoutName},
                              {"settings", ValuesToJson(slide.m_layoutValues)}}},
              {"randomSeed", slide.m_randomSeed},
              {"background", Json{{"mode", mode >= 0 && mode <= 2 ? Json(kModes[mode]) : Json(mode)},
                                   {"color", ColorToJson(slide.m_backgroundColor)},
                                   {"picture", mapPath(slide.m_backgroundPicture)}}},
              {"sound", sound},
              {"subtitle", StyledToJson(slide.m_subtitle)},
              {"items", items},
              {"captions", captions}};
    if (const CVideo* main = slide.GetMainVideo())
        json["mainVideo"] = ItemToJson(*main, mapPath);
    return json;
}

// --- reading ------------------------------------------------------------------

// Reads the fields of one JSON object, naming the field in errors.
class CFields {
public:
    CFields(const Json& json, std::string where) : m_json(json), m_where(std::move(where)) {
        if (!json.is_object())
            throw std::runtime_error(m_where + ": expected an object");
    }

    [[nodiscard]] const Json* Find(const char* key) const {
        auto it = m_json.find(key);
        return it == m_json.end() || it->is_null() ? nullptr : &*it;
    }
    [[nodiscard]] std::string Where(const char* key) const { return m_where + "." + key; }

    void Get(const char* key, double& value) const {
        if (const Json* j = Find(key)) {
            if (!j->is_number())
                throw std::runtime_error(Where(key) + ": expected a number");
            value = j->get<double>();
        }
    }
    void Get(const char* key, int& value) const {
        if (const Json* j = Find(key)) {
            if (j->is_boolean()) {
                value = j->get<bool>() ? 1 : 0;
                return;
            }
            if (!j->is_number_integer())
                throw std::runtime_error(Where(key) + ": expected a whole number");
            auto v = j->get<std::int64_t>();
            if (v < INT32_MIN || v > INT32_MAX)
                throw std::runtime_error(Where(key) + ": number out of range");
            value = int(v);
        }
    }
    void Get(const char* key, std::string& value) const {
        if (const Json* j = Find(key)) {
            if (!j->is_string())
                throw std::runtime_error(Where(key) + ": expected a string");
            value = j->get<std::string>();
        }
    }
    // A colour as "#RRGGBB" or as the number 0x00BBGGRR.
    void GetColor(const char* key, int& value) const {
        const Json* j = Find(key);
        if (!j)
            return;
        if (j->is_string()) {
            std::string text = j->get<std::string>();
            unsigned rgb = 0;
            if (text.size() != 7 || text[0] != '#' || std::sscanf(text.c_str() + 1, "%6x", &rgb) != 1)
                throw std::runtime_error(Where(key) + ": expected a colour \"#RRGGBB\"");
            value = int(((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF));
            return;
        }
        Get(key, value);
    }
    void GetPath(const char* key, std::string& value, const PathFn& mapPath) const {
        std::string text;
        Get(key, text);
        value = text.empty() ? std::string() : mapPath(text);
    }
    [[nodiscard]] const Json& Array(const char* key) const {
        static const Json kEmpty = Json::array();
        const Json* j = Find(key);
        if (!j)
            return kEmpty;
        if (!j->is_array())
            throw std::runtime_error(Where(key) + ": expected a list");
        return *j;
    }

private:
    const Json& m_json;
    std::string m_where;
};

void MusicFromJson(const CFields& f, CMusicFile& music, const PathFn& mapPath) {
    std::string file;
    f.GetPath("file", file, mapPath);
    music.SetFile(file);
    double start = music.GetStart(), length = music.GetLength();
    f.Get("start", start);
    f.Get("length", length);
    music.SetStartAndLength(start, length);
    f.Get("fadeIn", music.m_fadeIn);
    f.Get("fadeOut", music.m_fadeOut);
}

void StyledFromJson(const CFields& f, CStyledString& text) {
    f.Get("text", text.m_text);
    f.Get("font", text.m_font);
    f.Get("size", text.m_size);
    f.Get("flags", text.m_flags);
    int color = text.GetOwnColor(), edgeWidth = text.GetEdgeWidth(),
        edgeColor = text.GetOwnEdgeColor();
    f.GetColor("color", color);
    f.Get("edgeWidth", edgeWidth);
    f.GetColor("edgeColor", edgeColor);
    text.SetOwnColors(color, edgeWidth, edgeColor);
}

void ValuesFromJson(const Json& list, const std::string& where, CEffectValues& values) {
    values.clear();
    if (list.is_null())
        return;
    if (!list.is_array())
        throw std::runtime_error(where + ": expected a list of [name, value] pairs");
    for (const Json& pair : list) {
        if (!pair.is_array() || pair.size() != 2 || !pair[0].is_string() ||
            !pair[1].is_number_integer())
            throw std::runtime_error(where + ": expected [name, whole number] pairs");
        values.push_back({pair[0].get<std::string>(), int(pair[1].get<std::int64_t>())});
    }
}

std::unique_ptr<CSlide> SlideFromJson(const Json& json, const std::string& where,
                                      const PathFn& mapPath, int depth);

std::unique_ptr<CAlbumItem> ItemFromJson(const Json& json, const std::string& where,
                                         const PathFn& mapPath, int depth) {
    CFields f(json, where);
    // Without a kind the file's content decides between picture and clip.
    std::string kind;
    f.Get("kind", kind);
    if (kind.empty()) {
        std::string file;
        f.GetPath("file", file, mapPath);
        kind = !file.empty() && CMediaKind::Of(file) == EMediaKind::kClip ? "video" : "image";
    }
    std::unique_ptr<CAlbumItem> item;
    if (kind == "image")
        item = std::make_unique<CImage>();
    else if (kind == "video")
        item = std::make_unique<CVideo>();
    else if (kind == "sample")
        item = std::make_unique<CImageSamp>();
    else if (kind == "item")
        item = std::make_unique<CAlbumItem>();
    else
        throw std::runtime_error(f.Where("kind") + ": unknown kind \"" + kind + "\"");
    f.GetPath("file", item->m_file, mapPath);
    if (const Json* sound = f.Find("sound"))
        MusicFromJson(CFields(*sound, f.Where("sound")), item->m_sound, mapPath);
    f.Get("volume", item->m_volume);
    f.Get("fadeIn", item->m_fadeIn);
    f.Get("fadeOut", item->m_fadeOut);
    f.Get("startOffset", item->m_startOffset);
    f.Get("playLength", item->m_playLength);
    f.Get("extraTime", item->m_extraTime);
    const Json& reserved = f.Array("reserved");
    if (reserved.size() == 2 && reserved[0].is_number() && reserved[1].is_number()) {
        item->m_reserved1 = reserved[0].get<double>();
        item->m_reserved2 = reserved[1].get<double>();
    } else if (!reserved.empty()) {
        throw std::runtime_error(f.Where("reserved") + ": expected two numbers");
    }
    f.Get("stretch", item->m_stretch);
    f.Get("rotation", item->m_rotation);
    f.Get("mirrorH", item->m_mirrorH);
    f.Get("mirrorV", item->m_mirrorV);
    f.Get("autoLevels", item->m_autoLevels);
    f.Get("brightness", item->m_brightness);
    f.Get("contrast", item->m_contrast);
    if (const Json* crop = f.Find("crop")) {
        CFields c(*crop, f.Where("crop"));
        c.Get("x", item->m_cropX);
        c.Get("y", item->m_cropY);
        c.Get("width", item->m_cropWidth);
        c.Get("height", item->m_cropHeight);
    }
    if (f.Find("keyFrames")) {
        item->ClearKeyFrames();
        int index = 0;
        for (const Json& k : f.Array("keyFrames")) {
            CFields kf(k, f.Where("keyFrames") + "[" + std::to_string(index++) + "]");
            CKeyFrame key;
            kf.Get("time", key.m_time);
            kf.Get("x", key.m_x);
            kf.Get("y", key.m_y);
            kf.Get("scale", key.m_scale);
            kf.Get("opacity", key.m_opacity);
            kf.Get("rotation", key.m_rotation);
            kf.Get("easing", key.m_easing);
            kf.Get("extra", key.m_extra);
            item->AddKeyFrame(key);
        }
    }
    if (const Json* embedded = f.Find("embeddedSlide"))
        item->SetEmbeddedSlide(SlideFromJson(*embedded, f.Where("embeddedSlide"), mapPath, depth + 1));
    return item;
}

std::unique_ptr<CSlide> SlideFromJson(const Json& json, const std::string& where,
                                      const PathFn& mapPath, int depth) {
    if (depth > 8)
        throw std::runtime_error(where + ": slides nested too deeply");
    CFields f(json, where);
    auto slide = std::make_unique<CSlide>();
    f.Get("displayTime", slide->m_displayTime);
    if (const Json* t = f.Find("transition")) {
        CFields tf(*t, f.Where("transition"));
        std::string name = slide->GetTransitionName();
        tf.Get("name", name);
        slide->SetTransitionName(name);
        tf.Get("length", slide->m_transitionLength);
        if (const Json* s = tf.Find("settings"))
            ValuesFromJson(*s, tf.Where("settings"), slide->m_transitionValues);
    }
    if (const Json* l = f.Find("layout")) {
        CFields lf(*l, f.Where("layout"));
        lf.Get("name", slide->m_layoutName);
        if (const Json* s = lf.Find("settings"))
            ValuesFromJson(*s, lf.Where("settings"), slide->m_layoutValues);
    }
    f.Get("randomSeed", slide->m_randomSeed);
    if (const Json* b = f.Find("background")) {
        CFields bf(*b, f.Where("background"));
        if (const Json* mode = bf.Find("mode"); mode && mode->is_string()) {
            std::string m = mode->get<std::string>();
            if (m == "color")
                slide->m_backgroundMode = CSlide::kBackgroundColor;
            else if (m == "stretch")
                slide->m_backgroundMode = CSlide::kBackgroundStretch;
            else if (m == "fill")
                slide->m_backgroundMode = CSlide::kBackgroundFill;
            else
                throw std::runtime_error(bf.Where("mode") + ": expected color, stretch or fill");
        } else {
            bf.Get("mode", slide->m_backgroundMode);
        }
        bf.GetColor("color", slide->m_backgroundColor);
        bf.GetPath("picture", slide->m_backgroundPicture, mapPath);
    }
    if (const Json* s = f.Find("sound")) {
        CFields sf(*s, f.Where("sound"));
        MusicFromJson(sf, slide->m_sound, mapPath);
        sf.Get("volume", slide->m_soundVolume);
        sf.Get("slideFadeIn", slide->m_soundFadeIn);
        sf.Get("slideFadeOut", slide->m_soundFadeOut);
        sf.Get("delay", slide->m_soundDelay);
        sf.Get("toAlbumEnd", slide->m_soundToAlbumEnd);
        sf.Get("musicLevel", slide->m_musicLevel);
        sf.Get("restoreRamp", slide->m_musicRestoreRamp);
        sf.Get("loweringRamp", slide->m_musicLoweringRamp);
    }
    if (const Json* s = f.Find("subtitle"))
        StyledFromJson(CFields(*s, f.Where("subtitle")), slide->m_subtitle);
    int index = 0;
    for (const Json& item : f.Array("items")) {
        std::string at = f.Where("items") + "[" + std::to_string(index++) + "]";
        slide->AddItem(*ItemFromJson(item, at, mapPath, depth));
    }
    if (const Json* main = f.Find("mainVideo")) {
        auto item = ItemFromJson(*main, f.Where("mainVideo"), mapPath, depth);
        if (item->GetKind() != CAlbumItem::kVideo)
            throw std::runtime_error(f.Where("mainVideo") + ": the main item must be a video");
        slide->SetMainVideo(std::unique_ptr<CVideo>(static_cast<CVideo*>(item.release())));
    }
    index = 0;
    for (const Json& c : f.Array("captions")) {
        CFields cf(c, f.Where("captions") + "[" + std::to_string(index++) + "]");
        CTextCaption caption;
        StyledFromJson(cf, caption.m_text);
        cf.Get("x", caption.m_x);
        cf.Get("y", caption.m_y);
        cf.Get("start", caption.m_start);
        cf.Get("duration", caption.m_duration);
        cf.Get("effect", caption.m_effect);
        cf.Get("effectInOut", caption.m_effectInOut);
        slide->AddCaption(caption);
    }
    return slide;
}

} // namespace

Json CAlbumJson::ToJson(const CAlbum& album, const CProject& project, const PathFn& mapPath) {
    Json music = Json::array();
    for (const CMusicFile& entry : album.m_music)
        music.push_back(MusicToJson(entry, mapPath));
    Json slides = Json::array();
    for (int i = 0; i < album.GetSlideCount(); ++i)
        slides.push_back(SlideToJson(*album.GetSlide(i), mapPath));
    return Json{{"format", "kelvclip-album"},
                {"version", 1},
                {"name", album.m_name},
                {"picture", mapPath(album.m_picture)},
                {"customTitle", Json{{"enabled", album.m_customTitleFlag != 0},
                                     {"text", album.m_customTitle}}},
                {"closingTransition", Json{{"name", album.m_transitionName},
                                           {"length", album.m_transitionLength}}},
                {"music", music},
                {"musicRepeat", (album.m_musicFlags & CAlbum::kMusicRepeat) != 0},
                {"musicFade", (album.m_musicFlags & CAlbum::kMusicFade) != 0},
                {"musicFlags", album.m_musicFlags},
                {"musicFadeIn", album.m_musicFadeIn},
                {"musicFadeOut", album.m_musicFadeOut},
                {"musicVolume", album.GetMusicVolume()},
                {"subtitleColor", ColorToJson(project.GetSubtitleColor())},
                {"subtitleEdgeColor", ColorToJson(project.GetSubtitleEdgeColor())},
                {"slides", slides}};
}

void CAlbumJson::FromJson(const Json& json, CAlbum& album, CProject& project,
                          const PathFn& mapPath) {
    CFields f(json, "album");
    std::string format = "kelvclip-album";
    f.Get("format", format);
    if (format != "kelvclip-album")
        throw std::runtime_error("album.format: not a kelvclip album description");
    f.Get("name", album.m_name);
    f.GetPath("picture", album.m_picture, mapPath);
    if (const Json* t = f.Find("customTitle")) {
        CFields tf(*t, f.Where("customTitle"));
        tf.Get("enabled", album.m_customTitleFlag);
        tf.Get("text", album.m_customTitle);
    }
    if (const Json* t = f.Find("closingTransition")) {
        CFields tf(*t, f.Where("closingTransition"));
        tf.Get("name", album.m_transitionName);
        tf.Get("length", album.m_transitionLength);
    }
    int index = 0;
    for (const Json& m : f.Array("music")) {
        CMusicFile entry;
        MusicFromJson(CFields(m, f.Where("music") + "[" + std::to_string(index++) + "]"), entry,
                      mapPath);
        album.m_music.push_back(std::move(entry));
    }
    // "musicFlags" holds every bit; the two named flags override their bits.
    f.Get("musicFlags", album.m_musicFlags);
    for (auto [key, bit] : {std::pair{"musicRepeat", int(CAlbum::kMusicRepeat)},
                            std::pair{"musicFade", int(CAlbum::kMusicFade)}}) {
        if (f.Find(key)) {
            int on = 0;
            f.Get(key, on);
            album.m_musicFlags = on ? (album.m_musicFlags | bit) : (album.m_musicFlags & ~bit);
        }
    }
    f.Get("musicFadeIn", album.m_musicFadeIn);
    f.Get("musicFadeOut", album.m_musicFadeOut);
    int volume = album.GetMusicVolume();
    f.Get("musicVolume", volume);
    album.SetMusicVolume(volume);
    int color = project.GetSubtitleColor(), edge = project.GetSubtitleEdgeColor();
    f.GetColor("subtitleColor", color);
    f.GetColor("subtitleEdgeColor", edge);
    project.SetSubtitleColor(color);
    project.SetSubtitleEdgeColor(edge);
    index = 0;
    for (const Json& s : f.Array("slides"))
        album.AddSlide(*SlideFromJson(s, f.Where("slides") + "[" + std::to_string(index++) + "]",
                                      mapPath, 0));
}
