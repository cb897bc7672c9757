// kelvclip-cli pack: builds a template package from a JSON album description.
#include "cli/CliCommands.h"

#include "base/InputFile.h"
#include "effects/EffectMgr.h"
#include "effects/api/EffectInterface.h"
#include "media/AnyPicDecoder.h"
#include "media/AnyVidDecoder.h"
#include "media/MediaKind.h"
#include "media/Bmp.h"
#include "media/TextException.h"
#include "project/Album.h"
#include "project/AlbumGrp.h"
#include "project/AlbumJson.h"
#include "project/FileWalk.h"
#include "project/MainDoc.h"
#include "project/MediaProbe.h"
#include "project/Paths.h"
#include "project/Slide.h"
#include "project/TemplateWriter.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <iostream>

namespace {

struct SPackOptions {
    std::string albumPath;
    std::string output;
};

// Why a media file cannot go into a template, or empty when it decodes as
// what the album uses it for: a template must not carry what would show as a
// black slide or play as silence.
std::string CannotUse(const std::string& file, bool shown, bool played) {
    const CMediaKind::SFacts facts = CMediaKind::Probe(file);
    switch (facts.kind) {
    case EMediaKind::kUnknown:
        return "cannot be decoded: " + facts.why;
    case EMediaKind::kPicture:
        if (!shown)
            return "is a picture, and the album plays it as a sound";
        try {
            PLAnyPicDecoder decoder;
            // A small requested size lets JPEG decode cheaply; the whole file
            // is still read, so truncation shows.
            decoder.SetRequestedSize(64, 64);
            PLAnyBmp bmp;
            decoder.DecodeFile(file, &bmp, 32);
        } catch (const PLTextException& e) {
            return std::string("cannot be decoded: ") + e.what();
        } catch (const std::bad_alloc&) {
            return "cannot be decoded: out of memory";
        }
        return {};
    case EMediaKind::kSound: {
        if (shown)
            return "is a sound, and the album shows it as a picture (give it as a slide's or an "
                   "item's \"sound\")";
        SSoundFacts sound;
        std::string error;
        if (!IMediaProbe::Get().ProbeSound(file, sound, error))
            return "cannot be decoded: " +
                   (error.empty() ? std::string("not a sound the decoders read") : error);
        return {};
    }
    case EMediaKind::kClip:
        break;
    }
    try {
        PLAnyVidDecoder decoder;
        decoder.OpenByName(file);
        if (decoder.GetFrameCount() <= 0)
            return "cannot be decoded: the clip holds no frames";
    } catch (const PLTextException& e) {
        return std::string("cannot be decoded: ") + e.what();
    } catch (const std::bad_alloc&) {
        return "cannot be decoded: out of memory";
    }
    if (played) {
        SSoundFacts sound;
        std::string error;
        if (!IMediaProbe::Get().ProbeSound(file, sound, error))
            return "is played as a sound, but its sound cannot be decoded: " + error;
    }
    return {};
}

// Why a slide's multi-picture layout cannot be played, or empty when its name
// is in the catalogue and every stored setting is one of the layout's
// parameters with a value it accepts.
std::string CheckLayout(const CSlide& slide, CEffectMgr& catalogue) {
    if (slide.m_layoutName.empty())
        return {};
    CEffect* layout = catalogue.Find(kEffectMulti, slide.m_layoutName);
    if (!layout) {
        std::string known;
        for (int i = 0; CEffect* e = catalogue.Nth(kEffectMulti, i); ++i)
            known += (known.empty() ? "" : ", ") + e->GetName();
        return "unknown layout \"" + slide.m_layoutName + "\" (" +
               (known.empty() ? std::string("the plug-in folder offers no layouts")
                              : "known: " + known) +
               ")";
    }
    int count = 0;
    CEffectSetting* params = layout->GetParams(&count);
    for (const SEffectValue& stored : slide.m_layoutValues) {
        const CEffectSetting* match = nullptr;
        for (int i = 0; i < count && !match; ++i)
            if (params[i].kind != CEffectSetting::kLayouts && stored.m_key == params[i].key)
                match = &params[i];
        std::string where = "layout \"" + layout->GetName() + "\" ";
        if (!match) {
            std::string keys;
            for (int i = 0; i < count; ++i)
                if (params[i].kind != CEffectSetting::kLayouts)
                    keys += (keys.empty() ? "" : ", ") + std::string(params[i].key);
            return where + "has no setting \"" + stored.m_key + "\" (" +
                   (keys.empty() ? std::string("it takes none") : "it takes " + keys) + ")";
        }
        // Checked on a copy: the catalogue's own descriptor keeps its value.
        CEffectSetting probe(*match);
        if (!probe.SetValue(stored.m_value)) {
            std::string range = match->kind == CEffectSetting::kRange
                                    ? std::to_string(match->RangeMin()) + " to " +
                                          std::to_string(match->RangeMax())
                                    : "0 to " + std::to_string(match->count - 1);
            return where + "setting \"" + stored.m_key + "\" cannot be " +
                   std::to_string(stored.m_value) + " (it takes " + range + ")";
        }
    }
    return {};
}

void Pack(const SPackOptions& options) {
    nlohmann::ordered_json json;
    try {
        std::string text, why;
        if (!InputFile::Read(options.albumPath, text, why))
            CliFail(options.albumPath + ": cannot be read: " + why);
        json = nlohmann::ordered_json::parse(text);
    } catch (const nlohmann::json::exception& e) {
        CliFail(options.albumPath + ": not valid JSON (" + e.what() + ")");
    }

    // Media paths in the description are relative to its folder.
    std::filesystem::path folder = std::filesystem::path(options.albumPath).parent_path();
    auto mapPath = [&folder](const std::string& path) {
        std::filesystem::path p(path);
        return (p.is_absolute() ? p : folder / p).lexically_normal().string();
    };

    CMainDoc doc;
    CProject& project = doc.GetProject();
    CAlbumGrp* group = project.AddGroup(std::make_unique<CAlbumGrp>());
    CAlbum* album = group->AddAlbum(std::make_unique<CAlbum>());
    try {
        CAlbumJson::FromJson(json, *album, project, mapPath);
    } catch (const std::exception& e) {
        CliFail(options.albumPath + ": " + e.what());
    }
    group->m_name = album->m_name;
    std::string why;
    if (!album->CheckTimes(why))
        CliFail(options.albumPath + ": " + why);
    CEffectMgr& catalogue = CEffectMgr::Global();
    catalogue.Scan();
    for (int i = 0; i < album->GetSlideCount(); ++i) {
        const CSlide* slide = album->GetSlide(i);
        why = slide ? CheckLayout(*slide, catalogue) : std::string();
        if (!why.empty())
            CliFail(options.albumPath + ": slide " + std::to_string(i + 1) + ": " + why);
    }

    std::vector<std::string> files;
    project.ListFiles(files);
    CFileUses uses;
    project.WalkFiles(uses);
    for (const std::string& file : files) {
        if (!InputFile::Check(file, why))
            CliFail(options.albumPath + ": media file " + file + " " + why);
        why = CannotUse(file, uses.shown.count(file) > 0, uses.played.count(file) > 0);
        if (!why.empty())
            CliFail(options.albumPath + ": media file " + file + " " + why);
    }
    std::vector<std::string> inputs = files;
    inputs.push_back(options.albumPath);
    CheckOutput(options.output, inputs);
    if (!album->m_music.empty())
        std::cerr << "kelvclip-cli: warning: " << options.albumPath
                  << ": album music is dropped when a template is opened; to carry music "
                     "through the album, give the first slide a sound with \"toAlbumEnd\": "
                     "true (on a slide of one picture the picture's own \"sound\" plays, with "
                     "the slide's \"toAlbumEnd\"; see docs/template-format.md)\n";

    std::string error;
    if (!CTemplateWriter::Write(doc, options.output, error))
        CliFail(error);
    std::cerr << "kelvclip-cli: wrote " << options.output << " (" << album->GetSlideCount()
              << " slides, " << files.size() << " files)\n";
}

} // namespace

void AddPackCommand(CLI::App& app) {
    auto options = std::make_shared<SPackOptions>();
    CLI::App* pack = app.add_subcommand("pack", "Build a template package from a JSON album");
    pack->add_option("ALBUM", options->albumPath, "Album description (.json)")->required();
    pack->add_option("-o,--output", options->output, "Template package to write")->required();
    pack->callback([options] { Pack(*options); });
}
