#include "project/FileWalk.h"

#include "project/MusicFile.h"

void CCollectFiles::OnPath(std::string& path) {
    if (!path.empty())
        m_map.try_emplace(path);
}

void CCollectFiles::OnSound(CMusicFile& sound) {
    if (!sound.GetPath().empty())
        m_map.try_emplace(sound.GetPath());
}

void CFileUses::OnPath(std::string& path) {
    if (!path.empty())
        shown.insert(path);
}

void CFileUses::OnSound(CMusicFile& sound) {
    if (!sound.GetPath().empty())
        played.insert(sound.GetPath());
}

void CListFiles::OnPath(std::string& path) {
    if (!path.empty() && m_seen.insert(path).second)
        m_list.push_back(path);
}

void CListFiles::OnSound(CMusicFile& sound) {
    std::string path = sound.GetPath();
    OnPath(path);
}

void CRelocateFiles::OnPath(std::string& path) {
    if (path.empty())
        return;
    if (auto it = m_map.find(path); it != m_map.end())
        path = it->second;
}

void CRelocateFiles::OnSound(CMusicFile& sound) {
    if (sound.GetPath().empty())
        return;
    auto it = m_map.find(sound.GetPath());
    if (it == m_map.end())
        return;
    double start = sound.GetStart(), length = sound.GetLength();
    sound.SetFile(it->second);
    sound.SetStartAndLength(start, length);
}
