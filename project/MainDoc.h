#pragma once

#include "project/Paths.h"
#include "project/Project.h"
#include "project/ProjectListener.h"
#include "project/ProjectReader.h"

#include <string>

// The document: one project plus the state of reading it from a stream.
class CMainDoc final : public IProjectListener {
public:
    CMainDoc();
    CMainDoc(const CMainDoc&) = delete;
    CMainDoc& operator=(const CMainDoc&) = delete;
    ~CMainDoc();

    [[nodiscard]] CProject& GetProject() { return m_project; }
    void OnProjectChanged(CProject* project) override;
    [[nodiscard]] bool IsModified() const { return m_modified; }
    void SetModified(bool modified) { m_modified = modified; }

    // Empties the project and forgets the state of the last read.
    void Reset();

    // Reads a project stream held in memory (the form a template package keeps
    // it in). On failure the document is empty and error says why; kDeclined
    // means the user chose not to read an old version.
    CProjectReader::EResult LoadFromMemory(const void* data, std::size_t size, std::string& error,
                                           const CProjectReader::ConfirmOldVersion& confirm = {});

    double m_version = 0.0;       // format version of the stream being read
    std::string m_savedFrom;      // folder the project was saved from
    int m_packagePaths = 0;       // paths are stored in package form
    Paths::PathMap m_missingFiles; // missing path -> replacement (empty when none)
    Paths::PathMap m_packageNames; // path -> file name used inside a package
    bool m_fromMemory = false;

private:
    CProject m_project;
    bool m_modified = false;
};
