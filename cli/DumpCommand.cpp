// kelvclip-cli dump: writes a template's album as JSON and its media in a
// folder of their own beside it.
#include "cli/CliCommands.h"

#include "base/PartFile.h"
#include "media/MediaKind.h"
#include "project/Album.h"
#include "project/AlbumGrp.h"
#include "project/AlbumJson.h"
#include "project/Paths.h"
#include "project/ProjTmpl.h"
#include "project/Project.h"
#include "project/TextCodec.h"
#include "project/ZipReader.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <iostream>
#include <list>
#include <map>
#include <set>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

struct SDumpOptions {
    std::string templatePath;
    std::string output;
    std::string media;
    bool force = false;
};

// One packaged file on its way out: written under a temporary name in the
// media folder, told by its content, then renamed into place.
struct SMediaOut {
    std::string name; // in the media folder
    CPartFile file;
};

class CDump {
public:
    explicit CDump(const SDumpOptions& options) : m_options(options) {}

    void Run() {
        CProjTmpl tmpl;
        LoadTemplateOrFail(tmpl, m_options.templatePath);
        if (!m_zip.Open(m_options.templatePath))
            CliFail(m_options.templatePath + ": cannot be opened");
        Where();
        if (!IsStdout(m_options.output)) {
            CheckOutput(m_options.output, {m_options.templatePath});
            if (!m_options.force && Exists(m_options.output))
                CliFail(m_options.output + ": already exists; give --force to replace it");
        }
        MakeFolder();

        // Every media file is written and told first; only when all are, and
        // none would replace a file it may not, do they take their names.
        CProject project;
        project.SetSubtitleColor(tmpl.GetSubtitleColor());
        project.SetSubtitleEdgeColor(tmpl.GetSubtitleEdgeColor());
        nlohmann::ordered_json json =
            CAlbumJson::ToJson(*tmpl.GetTemplateAlbum(), project,
                               [this](const std::string& path) { return Map(path); });
        for (SMediaOut& out : m_media) {
            std::string why;
            const std::string path = m_folder / out.name;
            if (!out.file.Commit(m_options.force, why))
                Fail(path + ": cannot be written: " + why +
                     (m_options.force ? "" : "; give --force to replace it"));
            m_made.push_back(path);
        }
        const std::string text = json.dump(2) + '\n';
        try {
            WriteOutputFile(m_options.output, text.data(), text.size(), m_options.force);
        } catch (...) {
            Undo();
            throw;
        }
        std::cerr << "kelvclip-cli: wrote " << Printable(m_options.output) << " and "
                  << m_media.size() << " media files in " << Printable(m_folder.string())
                  << '\n';
        if (m_skipped)
            std::cerr << "kelvclip-cli: warning: " << m_skipped
                      << " packaged files were not written (see above)\n";
    }

private:
    // The media folder: --media, else "<name>-media" beside the description.
    void Where() {
        // A description sent to standard output names media in the working
        // folder.
        const bool toStdout = IsStdout(m_options.output);
        fs::path description(toStdout ? "album.json" : m_options.output);
        m_descriptionFolder = description.parent_path();
        if (!m_options.media.empty()) {
            m_folder = m_options.media;
        } else {
            m_folder = m_descriptionFolder / (description.stem().string() + "-media");
        }
        if (m_descriptionFolder.empty())
            m_descriptionFolder = ".";
        // The description names its media relative to its own folder.
        std::error_code ec;
        fs::create_directories(m_descriptionFolder, ec);
        if (ec)
            CliFail(m_descriptionFolder.string() + ": cannot be created: " + ec.message());
    }

    void MakeFolder() {
        struct stat info {};
        if (lstat(m_folder.c_str(), &info) == 0) {
            if (S_ISLNK(info.st_mode))
                CliFail(m_folder.string() + ": is a symbolic link; give the folder itself");
            if (!S_ISDIR(info.st_mode))
                CliFail(m_folder.string() + ": is not a folder");
            return;
        }
        std::error_code ec;
        fs::create_directories(m_folder, ec);
        if (ec)
            CliFail(m_folder.string() + ": cannot be created: " + ec.message());
        m_madeFolder = true;
    }

    static bool Exists(const std::string& path) {
        struct stat info {};
        return lstat(path.c_str(), &info) == 0;
    }

    // A packaged file's name in the description: written into the media
    // folder under its entry's last name component (never outside the
    // folder, never hidden, only when its content is a picture, clip or
    // sound); anything else keeps the project's own path and is said.
    std::string Map(const std::string& path) {
        if (path.empty())
            return path;
        const CZipReader::SEntry* entry = m_zip.Find(path);
        if (!entry)
            return path;
        if (auto it = m_mapped.find(entry->name); it != m_mapped.end())
            return it->second;
        std::string result = path;
        std::string why;
        const std::string name = FreeName(std::string(Paths::FileName(entry->name)), why);
        if (why.empty())
            why = Extract(*entry, name);
        if (why.empty()) {
            result = (Relative() / name).generic_string();
        } else {
            ++m_skipped;
            std::cerr << "kelvclip-cli: warning: " << Printable(m_options.templatePath)
                      << ": packaged file " << Printable(entry->name) << " is not written: " << why
                      << '\n';
        }
        m_mapped.emplace(entry->name, result);
        return result;
    }

    std::string FreeName(const std::string& base, std::string& why) {
        if (base.empty() || base == "." || base == "..") {
            why = "it has no file name";
            return {};
        }
        if (base[0] == '.') {
            why = "its name is hidden";
            return {};
        }
        std::string name = base;
        for (int number = 2; m_names.count(TextCodec::FoldCase(name)); ++number)
            name = Paths::NumberedName(base, number);
        m_names.insert(TextCodec::FoldCase(name));
        return name;
    }

    // Writes an entry under a temporary name and keeps it when it is media.
    std::string Extract(const CZipReader::SEntry& entry, const std::string& name) {
        const std::string path = m_folder / name;
        if (!m_options.force && Exists(path))
            Fail(path + ": already exists; give --force to replace it");
        if (m_options.force)
            CheckOutput(path, {m_options.templatePath});
        std::vector<std::uint8_t> bytes;
        std::string error;
        if (!m_zip.Read(entry.name, bytes, error))
            Fail(m_options.templatePath + ": " + error);
        SMediaOut& out = m_media.emplace_back();
        out.name = name;
        if (!out.file.Create(path, error) || !out.file.Write(bytes.data(), bytes.size(), error) ||
            !out.file.Close(error))
            Fail(path + ": cannot be written: " + error);
        const CMediaKind::SFacts facts = CMediaKind::Probe(out.file.TempPath());
        if (facts.kind != EMediaKind::kUnknown)
            return {};
        m_media.pop_back();
        return facts.why.empty() ? "it is not a picture, clip or sound" : facts.why;
    }

    fs::path Relative() const {
        std::error_code ec;
        fs::path relative = fs::proximate(m_folder, m_descriptionFolder, ec);
        return ec ? fs::absolute(m_folder) : relative;
    }

    // Removes what this dump made before a failure: the media it renamed
    // into place (those it would have replaced were never touched without
    // --force) and the media folder it created.
    void Undo() {
        if (!m_options.force)
            for (const std::string& path : m_made)
                unlink(path.c_str());
        if (m_madeFolder)
            rmdir(m_folder.c_str());
    }

    [[noreturn]] void Fail(const std::string& message) {
        m_media.clear(); // their temporary files
        Undo();
        CliFail(message);
    }

    const SDumpOptions& m_options;
    CZipReader m_zip;
    fs::path m_descriptionFolder;
    fs::path m_folder;
    bool m_madeFolder = false;
    std::map<std::string, std::string> m_mapped; // entry → name in the description
    std::set<std::string> m_names;               // taken names, case folded
    std::list<SMediaOut> m_media;                // stable: CPartFile does not move
    std::vector<std::string> m_made;
    int m_skipped = 0;
};

} // namespace

void AddDumpCommand(CLI::App& app) {
    auto options = std::make_shared<SDumpOptions>();
    CLI::App* dump = app.add_subcommand(
        "dump", "Write a template's album as JSON and its media in a new folder beside it");
    dump->add_option("TEMPLATE", options->templatePath, "Template package (.vez)")->required();
    dump->add_option("-o,--output", options->output, "Album description to write")->required();
    dump->add_option("--media", options->media,
                     "Folder for the media (default: NAME-media beside the description)");
    dump->add_flag("--force", options->force, "Replace files that exist");
    dump->callback([options] { CDump(*options).Run(); });
}
