#include "project/ProjTmpl.h"

#include "base/InputFile.h"
#include "base/MediaWarnings.h"
#include "base/TempFolders.h"
#include "project/Album.h"
#include "project/FileWalk.h"
#include "project/MainDoc.h"
#include "project/MediaProbe.h"
#include "project/Project.h"
#include "project/ZipReader.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <set>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

// A file name safe to create inside the temporary folder: the entry name's
// last component, never empty, "." or "..".
std::string SafeFileName(std::string_view entryName) {
    std::string name(Paths::FileName(entryName));
    if (name.empty() || name == "." || name == "..")
        name = "entry";
    return name;
}

// Whether a reference has the form the loader gives packaged files
// ("Files\a.jpg"): relative, without a drive and without "..".
bool LooksPackaged(const std::string& path) {
    if (path.empty() || path[0] == '/' || path[0] == '\\' || (path.size() > 1 && path[1] == ':'))
        return false;
    std::string key = CZipReader::NameKey(path);
    return ("/" + key + "/").find("/../") == std::string::npos;
}

bool WriteAll(int fd, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= std::size_t(n);
    }
    return true;
}

} // namespace

CProjTmpl::CProjTmpl() = default;

CProjTmpl::~CProjTmpl() { Unload(); }

bool CProjTmpl::IsLoaded() const {
    std::lock_guard lock(m_lock);
    return m_templateAlbum != nullptr;
}

bool CProjTmpl::Fail(const std::string& error) {
    m_error = error;
    UnloadLocked();
    return false;
}

bool CProjTmpl::Load(const std::string& packagePath,
                     const CProjectReader::ConfirmOldVersion& confirm) {
    std::lock_guard lock(m_lock);
    m_error.clear();
    if (packagePath.empty())
        return Fail("No template file given.");
    UnloadLocked();
    m_packagePath = packagePath;

    std::string why;
    if (!InputFile::Check(packagePath, why))
        return Fail(packagePath + ": " + why);
    m_archive = std::make_unique<CZipReader>();
    if (!m_archive->Open(packagePath))
        return Fail(packagePath + ": not a template package (cannot be opened as a ZIP file)");

    const CZipReader::SEntry* project = nullptr;
    for (const auto& entry : m_archive->Entries()) {
        if (entry.size > 0 && Paths::HasExtension(entry.name, "kvs")) {
            project = &entry;
            break;
        }
    }
    if (!project)
        return Fail(packagePath + ": the package holds no project");
    std::vector<std::uint8_t> stream;
    std::string error;
    // Project streams are small; a huge one is not a template.
    constexpr std::uint64_t kMaxProjectStream = 64ull << 20;
    if (!m_archive->Read(project->name, stream, error, kMaxProjectStream))
        return Fail(packagePath + ": " + error);

    // Nothing the project names is opened while it is read and relocated:
    // packaged paths name no file yet, and any other path is the user's,
    // which a template may not read (ApplyTo refuses it).
    IMediaProbe::CNoFiles noFiles;
    auto doc = std::make_unique<CMainDoc>();
    switch (doc->LoadFromMemory(stream.data(), stream.size(), error, confirm)) {
    case CProjectReader::kLoaded: break;
    case CProjectReader::kDeclined: return Fail({});
    case CProjectReader::kFailed: return Fail(packagePath + ": " + error);
    }
    const CAlbum* first = doc->GetProject().GetAlbum(0);
    if (!first)
        return Fail(packagePath + ": the project holds no album");
    if (!first->CheckTimes(why))
        return Fail(packagePath + ": " + why);

    m_subtitleColor = doc->GetProject().GetSubtitleColor();
    m_subtitleEdgeColor = doc->GetProject().GetSubtitleEdgeColor();
    m_templateAlbum = std::make_unique<CAlbum>();
    m_templateAlbum->CopyAlbumFrom(*first);
    // The copy must not point into the document, which goes away now.
    m_templateAlbum->SetGroup(nullptr);

    // Packaged paths "Z:\Files\a.jpg" become archive entry names "Files\a.jpg".
    Paths::PathMap paths;
    m_templateAlbum->CollectFiles(paths);
    for (auto& [path, target] : paths)
        target = path.compare(0, 3, "Z:\\") == 0 ? path.substr(3) : path;
    m_templateAlbum->RelocateFiles(paths);

    CFileUses uses;
    m_templateAlbum->WalkFiles(uses);
    for (const std::string& sound : uses.played)
        if (!uses.shown.count(sound))
            m_soundsOnly.insert(CZipReader::NameKey(sound));
    m_shown = std::move(uses.shown);
    return true;
}

void CProjTmpl::Unload() {
    std::lock_guard lock(m_lock);
    UnloadLocked();
}

void CProjTmpl::UnloadLocked() {
    m_archive.reset();
    m_templateAlbum.reset();
    m_replacements.clear();
    m_extracted.clear();
    m_extractedFrom.clear();
    m_kinds.clear();
    m_soundsOnly.clear();
    m_shown.clear();
    m_extractedBytes = 0;
    if (!m_tempFolder.empty())
        TempFolders::Remove(m_tempFolder);
    m_tempFolder.clear();
}

bool CProjTmpl::LoadAsset(const std::string& path, std::vector<std::uint8_t>& data) {
    std::lock_guard lock(m_lock);
    data.clear();
    if (!m_archive || !m_archive->IsOpen())
        return false;
    const CZipReader::SEntry* entry = m_archive->Find(path);
    if (!entry || entry->size == 0)
        return false;
    std::string error;
    return m_archive->Read(entry->name, data, error);
}

std::string CProjTmpl::ExtractToTemp(const std::string& entryName, std::string* why) {
    std::lock_guard lock(m_lock);
    std::string error;
    std::string path = ExtractLocked(entryName, error);
    if (why)
        *why = error;
    return path;
}

void CProjTmpl::SetExtractLimits(const SExtractLimits& limits) {
    std::lock_guard lock(m_lock);
    m_limits = limits;
}

std::string CProjTmpl::ExtractLocked(const std::string& entryName, std::string& why) {
    std::string key = CZipReader::NameKey(entryName);
    if (auto it = m_extracted.find(key); it != m_extracted.end())
        return it->second;
    if (!m_archive || !m_archive->IsOpen()) {
        why = "no template is open";
        return {};
    }
    const CZipReader::SEntry* entry = m_archive->Find(entryName);
    if (!entry || entry->size == 0) {
        why = "is not in the template package";
        return {};
    }

    // Caps on what extraction writes: per file (a sound larger than the sound
    // decoder takes is of no use), per template, and never the last of the
    // disk. The declared size is checked first; ReadTo enforces the real one.
    const bool sound = m_soundsOnly.count(key) > 0;
    const std::uint64_t cap = std::min(sound ? m_limits.sound : m_limits.clip,
                                       m_limits.total - std::min(m_limits.total, m_extractedBytes));
    constexpr double kMB = 1 << 20;
    auto megabytes = [kMB](std::uint64_t bytes) {
        return std::to_string(int(std::ceil(bytes / kMB))) + " MB";
    };
    if (entry->size > (sound ? m_limits.sound : m_limits.clip)) {
        why = "is larger than the " + megabytes(sound ? m_limits.sound : m_limits.clip) +
              " a packaged " + (sound ? "sound" : "clip") + " may take";
        return {};
    }
    if (entry->size > cap) {
        why = "would pass the " + megabytes(m_limits.total) + " that one template may extract";
        return {};
    }

    // A private folder (mode 0700) made for this package, so no other user can
    // plant files or links where the extracted files go.
    if (m_tempFolder.empty()) {
        m_tempFolder = TempFolders::Make(SafeFileName(m_packagePath), why);
        if (m_tempFolder.empty()) {
            why = "cannot be extracted: " + why;
            return {};
        }
    }
    struct statvfs disk {};
    if (statvfs(m_tempFolder.c_str(), &disk) == 0 &&
        std::uint64_t(disk.f_bavail) * disk.f_frsize < entry->size + m_limits.reserve) {
        why = "cannot be extracted: the temporary folder " + m_tempFolder + " has " +
              megabytes(std::uint64_t(disk.f_bavail) * disk.f_frsize) +
              " free and the file needs " + megabytes(entry->size) + " (and " +
              megabytes(m_limits.reserve) + " are kept free)";
        return {};
    }

    // Entries of the same file name in different folders get distinct files.
    std::set<std::string> taken;
    for (const auto& [otherKey, file] : m_extracted)
        taken.insert(std::string(Paths::FileName(file)));
    std::string name = SafeFileName(entry->name);
    for (int number = 2; taken.count(name); ++number)
        name = Paths::NumberedName(SafeFileName(entry->name), number);
    std::string path = m_tempFolder + "/" + name;

    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        why = "cannot be extracted: " + std::string(std::strerror(errno));
        return {};
    }
    std::string error;
    int writeError = 0;
    std::uint64_t written = 0;
    bool ok = m_archive->ReadTo(
        entry->name, cap,
        [fd, &writeError, &written](const std::uint8_t* data, std::size_t size) {
            if (!WriteAll(fd, data, size)) {
                writeError = errno;
                return false;
            }
            written += size;
            return true;
        },
        error);
    if (close(fd) != 0 && ok) {
        writeError = errno;
        ok = false;
    }
    if (!ok) {
        unlink(path.c_str());
        why = writeError != 0 ? "cannot be extracted: " + std::string(std::strerror(writeError))
                              : "cannot be extracted: " + error;
        return {};
    }
    m_extractedBytes += written;
    m_extracted.emplace(key, path);
    m_extractedFrom.emplace(path, entryName);
    return path;
}

std::string CProjTmpl::SourceOf(const std::string& file) const {
    std::lock_guard lock(m_lock);
    auto it = m_extractedFrom.find(file);
    return it == m_extractedFrom.end() ? file : it->second;
}

std::string CProjTmpl::GetTempFolder() const {
    std::lock_guard lock(m_lock);
    return m_tempFolder;
}

void CProjTmpl::SetReplacement(const std::string& templatePath, const std::string& userPath) {
    std::lock_guard lock(m_lock);
    if (userPath.empty())
        m_replacements.erase(templatePath);
    else
        m_replacements[templatePath] = userPath;
}

std::string CProjTmpl::GetReplacement(const std::string& templatePath) const {
    std::lock_guard lock(m_lock);
    auto it = m_replacements.find(templatePath);
    return it == m_replacements.end() ? std::string() : it->second;
}

std::vector<std::string> CProjTmpl::ListTemplateFiles(bool applyReplacements) const {
    std::lock_guard lock(m_lock);
    std::vector<std::string> files;
    if (!m_templateAlbum)
        return files;
    m_templateAlbum->ListFiles(files);
    if (applyReplacements)
        for (std::string& file : files)
            if (auto it = m_replacements.find(file); it != m_replacements.end())
                file = it->second;
    return files;
}

EMediaKind CProjTmpl::EntryKindLocked(const std::string& file) {
    const CZipReader::SEntry* entry = m_archive ? m_archive->Find(file) : nullptr;
    if (!entry || entry->size == 0)
        return EMediaKind::kUnknown;
    std::string key = CZipReader::NameKey(entry->name);
    if (auto it = m_kinds.find(key); it != m_kinds.end())
        return it->second;
    EMediaKind kind = EMediaKind::kUnknown;
    std::vector<std::uint8_t> head;
    if (m_archive->ReadHead(entry->name, CMediaKind::kHeadBytes, head) &&
        CMediaKind::IsPictureHead(head.data(), head.size(), entry->name)) {
        kind = EMediaKind::kPicture;
    } else {
        // Clips and sounds are told apart by FFmpeg, which reads files.
        std::string why;
        std::string temp = ExtractLocked(file, why);
        if (!temp.empty())
            kind = CMediaKind::Of(temp);
    }
    m_kinds.emplace(key, kind);
    return kind;
}

std::vector<std::string> CProjTmpl::ListTemplatePictures(bool applyReplacements) {
    std::vector<std::string> pictures;
    std::lock_guard lock(m_lock);
    if (!m_templateAlbum)
        return pictures;
    std::vector<std::string> files;
    m_templateAlbum->ListFiles(files);
    for (std::string& file : files) {
        if (!m_shown.count(file))
            continue;
        EMediaKind kind = EntryKindLocked(file);
        if (kind == EMediaKind::kClip || kind == EMediaKind::kSound)
            continue;
        if (applyReplacements)
            if (auto it = m_replacements.find(file); it != m_replacements.end())
                file = it->second;
        pictures.push_back(std::move(file));
    }
    return pictures;
}

void CProjTmpl::ApplyTo(CAlbum& target, bool extractMedia) {
    std::lock_guard lock(m_lock);
    if (!m_templateAlbum)
        return;
    CAlbumGrp* group = target.GetGroup();
    // The template's own references, before replacements: a template may use
    // only the files it carries, the sample pictures and the user's
    // replacements. Anything else (a host path, an entry the package lacks)
    // is treated as missing, so a template can never read the user's files.
    Paths::PathMap relocated(m_replacements);
    std::vector<std::string> files;
    m_templateAlbum->ListFiles(files);
    for (const std::string& file : files) {
        if (relocated.count(file))
            continue;
        const CZipReader::SEntry* entry = m_archive ? m_archive->Find(file) : nullptr;
        if (!entry) {
            CMediaWarnings::Report(file, LooksPackaged(file)
                                             ? "is not in the template package"
                                             : "lies outside the template package and is not "
                                               "used (a template uses only its own files)");
            relocated.emplace(file, std::string());
        } else if (entry->size == 0) {
            CMediaWarnings::Report(file, "is empty in the template package");
            relocated.emplace(file, std::string());
        } else if (extractMedia && EntryKindLocked(file) != EMediaKind::kPicture) {
            // Sounds and clips are opened as files by their decoders (and
            // what is neither is extracted too, so its warning can say why).
            std::string why;
            std::string temp = ExtractLocked(file, why);
            if (temp.empty())
                CMediaWarnings::Report(file, why);
            relocated.emplace(file, temp);
        }
    }
    target.CopyAlbumFrom(*m_templateAlbum);
    target.SetGroup(group);
    target.RelocateFiles(relocated);
}
