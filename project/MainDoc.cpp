#include "project/MainDoc.h"

CMainDoc::CMainDoc() { m_project.AddListener(this); }

CMainDoc::~CMainDoc() { m_project.RemoveListener(this); }

void CMainDoc::OnProjectChanged(CProject*) { m_modified = true; }
