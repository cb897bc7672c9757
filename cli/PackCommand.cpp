// kelvclip-cli pack: builds a template package from a JSON album description.
#include "cli/CliCommands.h"

#include "project/Album.h"
#include "project/AlbumGrp.h"
#include "project/AlbumJson.h"
#include "project/MainDoc.h"
#include "project/TemplateWriter.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <iostream>

namespace {

struct SPackOptions {
    std::string albumPath;
    std::string output;
};

void Pack(const SPackOptions& options) {
    std::ifstream in(options.albumPath);
    if (!in)
        CliFail(options.albumPath + ": cannot be read");
    nlohmann::ordered_json json;
    try {
        json = nlohmann::ordered_json::parse(in);
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

    std::vector<std::string> files;
    project.ListFiles(files);
    for (const std::string& file : files)
        if (!std::filesystem::is_regular_file(file))
            CliFail(options.albumPath + ": media file " + file + " does not exist");
    if (!album->m_music.empty())
        std::cerr << "kelvclip-cli: warning: " << options.albumPath
                  << ": album music is dropped when a template is opened; give the first slide "
                     "a sound with \"toAlbumEnd\": true to carry music through the album\n";

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
