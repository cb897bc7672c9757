// kelvclip-cli dump: writes a template's album as JSON with its media beside it.
#include "cli/CliCommands.h"

#include "project/Album.h"
#include "project/AlbumGrp.h"
#include "project/AlbumJson.h"
#include "project/ProjTmpl.h"
#include "project/Project.h"
#include "project/TextCodec.h"
#include "project/ZipReader.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <map>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct SDumpOptions {
    std::string templatePath;
    std::string output;
};

// Writes one output file, never through a symbolic link and never over the
// template; replacing an existing file is said.
void WriteOutput(const std::string& path, const std::uint8_t* data, std::size_t size,
                 const std::string& templatePath) {
    CheckOutput(path, {templatePath});
    struct stat existing {};
    if (lstat(path.c_str(), &existing) == 0)
        std::cerr << "kelvclip-cli: replacing " << path << '\n';
    int fd = OpenOutput(path);
    while (size > 0) {
        ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            int error = n < 0 ? errno : EIO;
            close(fd);
            CliFail(path + ": cannot be written: " + std::strerror(error));
        }
        data += n;
        size -= std::size_t(n);
    }
    if (close(fd) != 0)
        CliFail(path + ": cannot be written: " + std::strerror(errno));
}

void Dump(const SDumpOptions& options) {
    CProjTmpl tmpl;
    LoadTemplateOrFail(tmpl, options.templatePath);
    CZipReader zip;
    if (!zip.Open(options.templatePath))
        CliFail(options.templatePath + ": cannot be opened");

    std::filesystem::path folder = std::filesystem::path(options.output).parent_path();
    if (folder.empty())
        folder = ".";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec)
        CliFail(folder.string() + ": cannot be created: " + ec.message());

    // Each packaged file is written once beside the JSON under its entry's own
    // file name (only the last component, so nothing lands outside the folder).
    std::map<std::string, std::string> written;
    std::set<std::string> names;
    auto mapPath = [&](const std::string& path) -> std::string {
        if (path.empty())
            return path;
        const CZipReader::SEntry* entry = zip.Find(path);
        if (!entry)
            return path;
        if (auto it = written.find(entry->name); it != written.end())
            return it->second;
        std::string name(Paths::FileName(entry->name));
        if (name.empty() || name == "." || name == ".." || names.count(TextCodec::FoldCase(name)))
            CliFail(options.templatePath + ": entry " + entry->name + " cannot be dumped");
        std::vector<std::uint8_t> bytes;
        std::string error;
        if (!zip.Read(entry->name, bytes, error))
            CliFail(options.templatePath + ": " + error);
        WriteOutput((folder / name).string(), bytes.data(), bytes.size(), options.templatePath);
        names.insert(TextCodec::FoldCase(name));
        written.emplace(entry->name, name);
        return name;
    };

    CProject project;
    project.SetSubtitleColor(tmpl.GetSubtitleColor());
    project.SetSubtitleEdgeColor(tmpl.GetSubtitleEdgeColor());
    nlohmann::ordered_json json = CAlbumJson::ToJson(*tmpl.GetTemplateAlbum(), project, mapPath);
    std::string text = json.dump(2) + '\n';
    WriteOutput(options.output, reinterpret_cast<const std::uint8_t*>(text.data()), text.size(),
                options.templatePath);
    std::cerr << "kelvclip-cli: wrote " << options.output << " and " << written.size()
              << " media files\n";
}

} // namespace

void AddDumpCommand(CLI::App& app) {
    auto options = std::make_shared<SDumpOptions>();
    CLI::App* dump = app.add_subcommand("dump", "Write a template's album as JSON and its media");
    dump->add_option("TEMPLATE", options->templatePath, "Template package (.vez)")->required();
    dump->add_option("-o,--output", options->output, "Album description to write")->required();
    dump->callback([options] { Dump(*options); });
}
