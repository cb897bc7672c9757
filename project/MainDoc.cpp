#include "project/MainDoc.h"

CMainDoc::CMainDoc() { m_project.AddListener(this); }

CMainDoc::~CMainDoc() { m_project.RemoveListener(this); }

void CMainDoc::OnProjectChanged(CProject*) { m_modified = true; }

void CMainDoc::Reset() {
    m_project.Reset();
    m_version = 0.0;
    m_savedFrom.clear();
    m_packagePaths = 0;
    m_missingFiles.clear();
    m_packageNames.clear();
    m_fromMemory = false;
    m_modified = false;
}

CProjectReader::EResult CMainDoc::LoadFromMemory(const void* data, std::size_t size,
                                                 std::string& error,
                                                 const CProjectReader::ConfirmOldVersion& confirm) {
    Reset();
    m_fromMemory = true;
    CProjectReader::EResult result = CProjectReader::Read(*this, data, size, error, confirm);
    m_modified = false;
    return result;
}
