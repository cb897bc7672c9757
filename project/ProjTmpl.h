#pragma once

#include "media/MediaKind.h"
#include "project/AssetLoader.h"
#include "project/Paths.h"
#include "project/ProjectReader.h"

#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

class CAlbum;
class CZipReader;

// An open template package: a ZIP file holding one project stream and, under
// "Files/", every picture, sound and clip that the project uses.
//
// Loading keeps a copy of the project's first album whose packaged paths name
// archive entries ("Files\a.jpg"). Pictures are handed to the renderer from the
// archive (LoadAsset); sounds and clips, which decoders open as files, are
// extracted into a private temporary folder that Unload removes. The user's
// replacements map template paths to his own files.
//
// LoadAsset and ExtractToTemp may be called from rendering threads while the
// other operations run on the user-interface thread; every access to the
// archive is serialised by one lock.
class CProjTmpl final : public IAssetLoader {
public:
    // What extraction may write: a sound file (the sound decoder keeps at most
    // 512 MB of samples, so a larger sound file is of no use), a clip, all the
    // files of one template, and the free space it must leave on the disk.
    struct SExtractLimits {
        std::uint64_t sound = 600ull << 20;
        std::uint64_t clip = 2ull << 30;
        std::uint64_t total = 4ull << 30;
        std::uint64_t reserve = 256ull << 20;
    };

    CProjTmpl();
    CProjTmpl(const CProjTmpl&) = delete;
    CProjTmpl& operator=(const CProjTmpl&) = delete;
    ~CProjTmpl() override;

    // Opens a package. On failure everything is unloaded and GetError says why.
    bool Load(const std::string& packagePath, const CProjectReader::ConfirmOldVersion& confirm = {});
    void Unload();
    [[nodiscard]] bool IsLoaded() const;
    [[nodiscard]] const std::string& GetError() const { return m_error; }
    [[nodiscard]] const std::string& GetPackagePath() const { return m_packagePath; }

    // The template's own album (null when nothing is loaded). Its paths name
    // archive entries.
    [[nodiscard]] const CAlbum* GetTemplateAlbum() const { return m_templateAlbum.get(); }
    // The project's subtitle colours, which every slide's subtitle shows.
    [[nodiscard]] int GetSubtitleColor() const { return m_subtitleColor; }
    [[nodiscard]] int GetSubtitleEdgeColor() const { return m_subtitleEdgeColor; }

    bool LoadAsset(const std::string& path, std::vector<std::uint8_t>& data) override;

    // Extracts an entry into the template's temporary folder and returns the
    // file's path; empty when the entry is missing, over a cap or cannot be
    // written, with why set to the reason. An entry is extracted once; later
    // calls return the same path.
    std::string ExtractToTemp(const std::string& entryName, std::string* why = nullptr);

    // Replaces a template file by the user's file; an empty path removes the
    // replacement.
    void SetReplacement(const std::string& templatePath, const std::string& userPath);
    [[nodiscard]] std::string GetReplacement(const std::string& templatePath) const;

    // The template album's distinct file paths in walk order; with
    // applyReplacements each replaced path is listed as its replacement.
    [[nodiscard]] std::vector<std::string> ListTemplateFiles(bool applyReplacements) const;
    // The template's pictures in the order the user numbers them: the files
    // the album shows whose content is not a clip or a sound (a damaged
    // picture stays listed, so it can be replaced). Telling them apart may
    // extract a packaged file.
    [[nodiscard]] std::vector<std::string> ListTemplatePictures(bool applyReplacements);

    // Makes target a copy of the template album (keeping target's group) with
    // the replacements applied; with extractMedia the sounds and clips it still
    // takes from the package are extracted and referenced as temporary files.
    // References to files the package does not hold (host paths included) and
    // files that cannot be extracted become empty, that is missing, and are
    // reported to CMediaWarnings with the reason.
    void ApplyTo(CAlbum& target, bool extractMedia);

    // Limits for the next extractions (the defaults suit every template).
    void SetExtractLimits(const SExtractLimits& limits);

    // The template path an extracted file was taken from; any other path is
    // returned as it is. For messages that name files.
    [[nodiscard]] std::string SourceOf(const std::string& file) const;

    // The folder holding extracted files; empty until something was extracted.
    [[nodiscard]] std::string GetTempFolder() const;

private:
    void UnloadLocked();
    std::string ExtractLocked(const std::string& entryName, std::string& why);
    // What a template file is by its content: a packaged picture is told by
    // its first bytes, any other entry is extracted and probed. Unknown for
    // what the package does not hold.
    EMediaKind EntryKindLocked(const std::string& file);

    bool Fail(const std::string& error);

    mutable std::mutex m_lock;
    std::unique_ptr<CZipReader> m_archive;
    std::string m_packagePath;
    std::unique_ptr<CAlbum> m_templateAlbum;
    Paths::PathMap m_replacements;
    std::map<std::string, std::string> m_extracted; // entry key -> temporary file
    std::map<std::string, std::string> m_extractedFrom; // temporary file -> template path
    std::map<std::string, EMediaKind> m_kinds;          // entry key -> content kind
    std::set<std::string> m_soundsOnly; // entry keys of files the album only plays as sounds
    Paths::PathSet m_shown;             // files the album shows
    std::string m_tempFolder;
    std::uint64_t m_extractedBytes = 0;
    SExtractLimits m_limits;
    std::string m_error;
    int m_subtitleColor = 0xFFFFFF;
    int m_subtitleEdgeColor = 0;
};
