#include "project/TemplateWriter.h"

#include "base/InputFile.h"
#include "base/TempFolders.h"
#include "project/MainDoc.h"
#include "project/ProjectWriter.h"
#include "project/TextCodec.h"
#include "project/ZipWriter.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <set>
#include <unistd.h>

namespace {

// Creates a new file of a free name beside path, with the mode the user's
// umask gives new files, and returns its descriptor (or -1).
int CreateBeside(const std::string& path, std::string& temp) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[40];
        std::snprintf(suffix, sizeof suffix, ".part-%d-%u", int(getpid()), counter++);
        temp = path + suffix;
        int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

std::string SystemError(int error) {
    return std::strerror(error ? error : EIO);
}

} // namespace

bool CTemplateWriter::Write(CMainDoc& doc, const std::string& packagePath, std::string& error) {
    std::vector<std::string> files;
    doc.GetProject().ListFiles(files);
    doc.m_packageNames.clear();
    std::set<std::string> taken;
    for (const std::string& file : files) {
        std::string base(Paths::FileName(file));
        std::string name = base;
        for (int number = 2; taken.count(TextCodec::FoldCase(name)); ++number)
            name = Paths::NumberedName(base, number);
        taken.insert(TextCodec::FoldCase(name));
        doc.m_packageNames.emplace(file, name);
    }

    // The package is written under a temporary name beside its place and
    // renamed into place when complete, so a failed write leaves whatever was
    // at the path untouched and never removes a file it did not make.
    std::string temp;
    int fd = CreateBeside(packagePath, temp);
    if (fd < 0) {
        error = packagePath + ": cannot be created: " + SystemError(errno);
        return false;
    }
    close(fd);
    TempFolders::AddFile(temp);
    CZipWriter zip;
    if (!zip.Create(temp)) {
        error = packagePath + ": cannot be created: " + SystemError(errno);
        unlink(temp.c_str());
        TempFolders::ForgetFile(temp);
        return false;
    }
    int writeError = 0;
    bool ok = zip.Add(kProjectEntry, CProjectWriter::Write(doc, true));
    if (!ok)
        writeError = errno;
    for (const std::string& file : files) {
        std::string bytes, why;
        if (!InputFile::Read(file, bytes, why)) {
            error = file + ": cannot be read: " + why;
            ok = false;
            break;
        }
        if (ok && !zip.Add("Files/" + doc.m_packageNames[file], bytes)) {
            writeError = errno;
            ok = false;
        }
    }
    if (!zip.Close() && ok) {
        writeError = errno;
        ok = false;
    }
    if (ok && rename(temp.c_str(), packagePath.c_str()) != 0) {
        writeError = errno;
        ok = false;
    }
    if (!ok) {
        if (error.empty())
            error = packagePath + ": cannot be written: " + SystemError(writeError);
        unlink(temp.c_str());
    }
    TempFolders::ForgetFile(temp);
    return ok;
}
