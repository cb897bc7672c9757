// kelvclip-cli info: what a template holds.
#include "cli/CliCommands.h"

#include "encode/FormatTable.h"
#include "project/Album.h"
#include "project/ProjTmpl.h"
#include "project/Slide.h"
#include "project/TextCaption.h"
#include "render/text/CaptionFields.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <memory>

namespace {

using Json = nlohmann::ordered_json;

struct SInfoOptions {
    std::string templatePath;
    bool json = false;
};

// Every sound the album plays, with where it comes from.
Json ListSounds(const CAlbum& album) {
    Json sounds = Json::array();
    for (const CMusicFile& music : album.m_music)
        sounds.push_back(Json{{"source", "album music"}, {"file", music.GetPath()}});
    for (int i = 0; i < album.GetSlideCount(); ++i) {
        const CSlide& slide = *album.GetSlide(i);
        CSlide::SSound sound = slide.GetSlideSound();
        if (sound.m_file.GetPath().empty())
            continue;
        Json entry{{"source", "slide " + std::to_string(i + 1)},
                   {"file", sound.m_file.GetPath()},
                   {"volume", sound.m_volume}};
        if (!slide.GetMainItem() && slide.m_soundToAlbumEnd)
            entry["toAlbumEnd"] = true;
        sounds.push_back(entry);
    }
    return sounds;
}

// The output formats the template can be rendered to, from the format table.
Json ListFormats() {
    static const char* const kKinds[] = {"disc", "custom", "screen"};
    Json formats = Json::array();
    for (const SFormatRow& row : CFormatTable::Rows()) {
        if (row.page < 0)
            continue; // known to the engines only, not offered
        Json rates = Json::array();
        for (double rate : row.rates)
            if (rate > 0)
                rates.push_back(std::round(rate * 1000) / 1000);
        Json format{{"name", row.name},       {"label", row.label},
                    {"kind", kKinds[row.kind]}, {"frameRates", rates},
                    {"videoCodec", row.videoCodec}, {"audioCodec", row.audioCodec},
                    {"audioRate", row.audioRate}, {"container", row.mux.format},
                    {"squarePixels", row.SquarePixels()}};
        if (row.kind == SFormatRow::kDisc)
            format["size"] = Json{{"pal", {row.width, row.palHeight}},
                                  {"ntsc", {row.width, row.ntscHeight}}};
        else if (row.width > 0)
            format["size"] = {row.width, row.palHeight};
        formats.push_back(format);
    }
    return formats;
}

Json Describe(CProjTmpl& tmpl) {
    const CAlbum& album = *tmpl.GetTemplateAlbum();
    Json pictures = Json::array();
    for (const std::string& picture : tmpl.ListTemplatePictures(true))
        pictures.push_back(picture);
    Json slides = Json::array();
    // The caption fields a batch job or render --field fills.
    Json fields = Json::array();
    double start = 0;
    for (int i = 0; i < album.GetSlideCount(); ++i) {
        const CSlide& slide = *album.GetSlide(i);
        Json captions = Json::array();
        for (int c = 0; c < slide.GetCaptionCount(); ++c) {
            const std::string& text = slide.GetCaption(c)->m_text.m_text;
            captions.push_back(Json{{"text", text}, {"effect", slide.GetCaption(c)->m_effect}});
            for (const std::string& name : CaptionFields::FieldsUsed(text))
                if (std::find(fields.begin(), fields.end(), name) == fields.end())
                    fields.push_back(name);
        }
        Json items = Json::array();
        for (int m = 0; m < slide.GetItemCount(); ++m)
            items.push_back(slide.GetItem(m)->m_file);
        slides.push_back(Json{{"start", start},
                              {"displayTime", slide.m_displayTime},
                              {"transition", slide.GetTransitionName()},
                              {"transitionLength", slide.m_transitionLength},
                              {"layout", slide.m_layoutName},
                              {"items", items},
                              {"captions", captions}});
        start += slide.m_transitionLength + slide.m_displayTime;
    }
    std::string closingName;
    double closingLength;
    album.GetClosingTransition(closingName, closingLength);
    return Json{{"template", tmpl.GetPackagePath()},
                {"album", album.m_name},
                {"duration", album.GetAlbumDuration()},
                {"pictures", pictures},
                {"slides", slides},
                {"fields", fields},
                {"closingTransition", Json{{"name", closingName}, {"length", closingLength}}},
                {"sounds", ListSounds(album)},
                {"outputFormats", ListFormats()}};
}

void PrintText(const Json& info) {
    // Every text from the template is printed through Printable.
    auto text = [](const Json& value) { return Printable(value.get<std::string>()); };
    std::printf("Template %s: album \"%s\", %.2f s\n", text(info["template"]).c_str(),
                text(info["album"]).c_str(), info["duration"].get<double>());
    std::printf("\nPictures (%zu):\n", info["pictures"].size());
    int n = 1;
    for (const auto& picture : info["pictures"])
        std::printf("  %2d  %s\n", n++, text(picture).c_str());
    std::printf("\nSlides (%zu):\n", info["slides"].size());
    n = 1;
    for (const auto& slide : info["slides"]) {
        std::printf("  %2d  at %7.2f s  show %5.2f s  transition %-20s %4.2f s", n++,
                    slide["start"].get<double>(), slide["displayTime"].get<double>(),
                    ("\"" + text(slide["transition"]) + "\"").c_str(),
                    slide["transitionLength"].get<double>());
        if (!slide["layout"].get<std::string>().empty())
            std::printf("  layout \"%s\"", text(slide["layout"]).c_str());
        std::printf("\n");
        for (const auto& caption : slide["captions"])
            std::printf("        caption \"%s\"%s\n", text(caption["text"]).c_str(),
                        caption["effect"].get<std::string>().empty()
                            ? ""
                            : (" with \"" + text(caption["effect"]) + "\"").c_str());
    }
    const auto& closing = info["closingTransition"];
    std::printf("  closing transition \"%s\" %.2f s\n", text(closing["name"]).c_str(),
                closing["length"].get<double>());
    if (!info["fields"].empty()) {
        std::printf("\nCaption fields (render --field, batch \"fields\"):");
        for (const auto& name : info["fields"])
            std::printf(" %%%s%%", text(name).c_str());
        std::printf("\n");
    }
    std::printf("\nSounds (%zu):\n", info["sounds"].size());
    for (const auto& sound : info["sounds"])
        std::printf("  %-10s %s%s\n", text(sound["source"]).c_str(), text(sound["file"]).c_str(),
                    sound.contains("toAlbumEnd") ? " (to the album's end)" : "");
}

} // namespace

void AddInfoCommand(CLI::App& app) {
    auto options = std::make_shared<SInfoOptions>();
    CLI::App* info = app.add_subcommand("info", "Describe a template: pictures, slides, sounds");
    info->add_option("TEMPLATE", options->templatePath, "Template package (.vez)")->required();
    info->add_flag("--json", options->json, "Print a JSON object");
    info->callback([options] {
        CProjTmpl tmpl;
        LoadTemplateOrFail(tmpl, options->templatePath);
        Json description = Describe(tmpl);
        if (options->json)
            // A name that is not UTF-8 (a file name in another encoding) would
            // make the JSON invalid: its bad bytes are shown as U+FFFD.
            std::cout << description.dump(2, ' ', false, Json::error_handler_t::replace) << '\n';
        else
            PrintText(description);
    });
}
