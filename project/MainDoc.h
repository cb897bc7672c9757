#pragma once

#include "project/Paths.h"
#include "project/Project.h"
#include "project/ProjectListener.h"

#include <string>

// The document: one project plus the state of reading it from a stream.
class CMainDoc : public IProjectListener {
public:
    CMainDoc();
    CMainDoc(const CMainDoc&) = delete;
    CMainDoc& operator=(const CMainDoc&) = delete;
    ~CMainDoc();

    [[nodiscard]] CProject& GetProject() { return m_project; }
    void OnProjectChanged(CProject* project) override;
    [[nodiscard]] bool IsModified() const { return m_modified; }
    void SetModified(bool modified) { m_modified = modified; }

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
