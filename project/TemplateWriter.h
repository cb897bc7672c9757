#pragma once

#include <string>

class CMainDoc;

// Writes a template package: the document's project stream in package form
// plus every file it refers to under "Files/". Files keep their names; two
// different files of the same name (compared without regard to case, as
// entries are looked up) are told apart by a number before the extension.
class CTemplateWriter {
public:
    // The entry that holds the project stream.
    static constexpr const char* kProjectEntry = "project.kvs";

    // Fills doc.m_packageNames, writes the package and returns whether it is
    // complete. The package is written beside the path and renamed into place
    // when complete; a file that cannot be read, or a full disk, fails the
    // whole package and leaves the path as it was.
    static bool Write(CMainDoc& doc, const std::string& packagePath, std::string& error);
};
