#include "project/TemplateWriter.h"

#include "base/InputFile.h"
#include "base/PartFile.h"
#include "project/MainDoc.h"
#include "project/ProjectWriter.h"
#include "project/TextCodec.h"
#include "project/ZipWriter.h"

#include <cerrno>
#include <cstring>
#include <set>

namespace {

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
    CPartFile part;
    std::string why;
    if (!part.Create(packagePath, why) || !part.Close(why)) {
        error = packagePath + ": cannot be created: " + why;
        return false;
    }
    CZipWriter zip;
    if (!zip.Create(part.TempPath())) {
        error = packagePath + ": cannot be created: " + SystemError(errno);
        return false;
    }
    int writeError = 0;
    bool ok = zip.Add(kProjectEntry, CProjectWriter::Write(doc, true));
    if (!ok)
        writeError = errno;
    for (const std::string& file : files) {
        std::string bytes;
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
    if (ok && !part.Commit(true, why)) {
        error = packagePath + ": cannot be written: " + why;
        ok = false;
    }
    if (!ok && error.empty())
        error = packagePath + ": cannot be written: " + SystemError(writeError);
    return ok;
}
