#include "project/TemplateWriter.h"

#include "project/MainDoc.h"
#include "project/ProjectWriter.h"
#include "project/TextCodec.h"
#include "project/ZipWriter.h"

#include <fstream>
#include <set>
#include <sstream>
#include <unistd.h>

namespace {

bool ReadFile(const std::string& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream out;
    out << in.rdbuf();
    bytes = out.str();
    return !in.bad();
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

    CZipWriter zip;
    if (!zip.Create(packagePath)) {
        error = packagePath + ": cannot be created";
        return false;
    }
    bool ok = zip.Add(kProjectEntry, CProjectWriter::Write(doc, true));
    for (const std::string& file : files) {
        std::string bytes;
        if (!ReadFile(file, bytes)) {
            error = file + ": cannot be read";
            ok = false;
            break;
        }
        ok = zip.Add("Files/" + doc.m_packageNames[file], bytes) && ok;
    }
    ok = zip.Close() && ok;
    if (!ok) {
        if (error.empty())
            error = packagePath + ": cannot be written";
        unlink(packagePath.c_str());
    }
    return ok;
}
