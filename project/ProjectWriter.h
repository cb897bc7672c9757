#pragma once

#include <string>

class CMainDoc;

// Writes a document as a project stream of the current version 18.
class CProjectWriter {
public:
    // With packagePaths every non-empty path is written in package form,
    // "Z:\Files\" + its package name: the name the document maps the path to
    // (CMainDoc::m_packageNames), else the path's file name. savedFrom is the
    // folder recorded in the header; a stream kept in memory records "Z:\".
    static std::string Write(CMainDoc& doc, bool packagePaths,
                             const std::string& savedFrom = "Z:\\");

    // The path as written in package form.
    static std::string PackagePath(const CMainDoc& doc, const std::string& path);
};
