#include "project/ProjTmpl.h"

#include "project/Album.h"
#include "project/MainDoc.h"
#include "project/Project.h"
#include "project/ZipReader.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <set>
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

    auto doc = std::make_unique<CMainDoc>();
    switch (doc->LoadFromMemory(stream.data(), stream.size(), error, confirm)) {
    case CProjectReader::kLoaded: break;
    case CProjectReader::kDeclined: return Fail({});
    case CProjectReader::kFailed: return Fail(packagePath + ": " + error);
    }
    const CAlbum* first = doc->GetProject().GetAlbum(0);
    if (!first)
        return Fail(packagePath + ": the project holds no album");

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
    for (const auto& [entry, file] : m_extracted)
        unlink(file.c_str());
    m_extracted.clear();
    if (!m_tempFolder.empty())
        rmdir(m_tempFolder.c_str());
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

std::string CProjTmpl::ExtractToTemp(const std::string& entryName) {
    std::lock_guard lock(m_lock);
    return ExtractLocked(entryName);
}

std::string CProjTmpl::ExtractLocked(const std::string& entryName) {
    std::string key = CZipReader::NameKey(entryName);
    if (auto it = m_extracted.find(key); it != m_extracted.end())
        return it->second;
    if (!m_archive || !m_archive->IsOpen())
        return {};
    const CZipReader::SEntry* entry = m_archive->Find(entryName);
    if (!entry || entry->size == 0)
        return {};

    // A private folder (mode 0700) made for this package, so no other user can
    // plant files or links where the extracted files go.
    if (m_tempFolder.empty()) {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp == '/' ? tmp : "/tmp") + "/kelvclip-" +
                              SafeFileName(m_packagePath) + "-XXXXXX";
        if (!mkdtemp(pattern.data()))
            return {};
        m_tempFolder = pattern;
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
    if (fd < 0)
        return {};
    std::string error;
    bool ok = m_archive->ReadTo(entry->name, CZipReader::kMaxFileEntry,
                                [fd](const std::uint8_t* data, std::size_t size) {
                                    return WriteAll(fd, data, size);
                                },
                                error);
    ok = close(fd) == 0 && ok;
    if (!ok) {
        unlink(path.c_str());
        return {};
    }
    m_extracted.emplace(key, path);
    return path;
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

std::vector<std::string> CProjTmpl::ListTemplatePictures(bool applyReplacements) const {
    std::vector<std::string> pictures;
    for (std::string& file : ListTemplateFiles(applyReplacements))
        if (Paths::HasExtension(file, kPictureExtensions))
            pictures.push_back(std::move(file));
    return pictures;
}

void CProjTmpl::ApplyTo(CAlbum& target, bool extractMedia) {
    std::lock_guard lock(m_lock);
    if (!m_templateAlbum)
        return;
    CAlbumGrp* group = target.GetGroup();
    target.CopyAlbumFrom(*m_templateAlbum);
    target.SetGroup(group);
    target.RelocateFiles(m_replacements);
    if (!extractMedia)
        return;
    std::vector<std::string> files;
    target.ListFiles(files);
    Paths::PathMap extracted;
    for (const std::string& file : files) {
        if (!Paths::HasExtension(file, kMediaExtensions))
            continue;
        std::string temp = ExtractLocked(file);
        if (!temp.empty())
            extracted.emplace(file, temp);
    }
    target.RelocateFiles(extracted);
}
