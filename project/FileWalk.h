#pragma once

#include "project/Paths.h"

#include <string>
#include <vector>

class CMusicFile;

// A visitor over every file a part of the model refers to, in walk order: for
// each slide its media items (file, then sound), its main item, its sound and
// its background picture; then the album's music and its picture. Groups visit
// their own picture before their albums; the project visits its groups, then
// the DVD menu. Visitors may change what they are given.
class CFileWalk {
public:
    virtual void OnPath(std::string& path) = 0;
    virtual void OnSound(CMusicFile& sound) = 0;

protected:
    ~CFileWalk() = default;
};

// Enters every non-empty path into a map (with an empty value).
class CCollectFiles final : public CFileWalk {
public:
    explicit CCollectFiles(Paths::PathMap& map) : m_map(map) {}
    void OnPath(std::string& path) override;
    void OnSound(CMusicFile& sound) override;

private:
    Paths::PathMap& m_map;
};

// Appends each distinct non-empty path once, in walk order. Paths already in
// the seen set are skipped, so one set can span several walks.
class CListFiles final : public CFileWalk {
public:
    CListFiles(std::vector<std::string>& list, Paths::PathSet& seen) : m_list(list), m_seen(seen) {}
    void OnPath(std::string& path) override;
    void OnSound(CMusicFile& sound) override;

private:
    std::vector<std::string>& m_list;
    Paths::PathSet& m_seen;
};

// Replaces every path that is a key of the map by its value. A relocated sound
// is opened again and its start and length are applied anew, which clamps them
// to the new file.
class CRelocateFiles final : public CFileWalk {
public:
    explicit CRelocateFiles(const Paths::PathMap& map) : m_map(map) {}
    void OnPath(std::string& path) override;
    void OnSound(CMusicFile& sound) override;

private:
    const Paths::PathMap& m_map;
};

// Sorts the files by use: the paths shown (pictures, clips, backgrounds)
// and the sounds played. A clip may be in both.
class CFileUses final : public CFileWalk {
public:
    void OnPath(std::string& path) override;
    void OnSound(CMusicFile& sound) override;

    Paths::PathSet shown;
    Paths::PathSet played;
};

// The file operations of albums, groups and the project, over the owner's
// WalkFiles(CFileWalk&).
template <class Owner>
class TFileRefs {
public:
    // Enters every file path into the map.
    void CollectFiles(Paths::PathMap& map) const {
        CCollectFiles walk(map);
        Self().WalkFiles(walk);
    }
    // Appends each distinct path once, in walk order; an optional set of paths
    // seen before suppresses duplicates across calls.
    void ListFiles(std::vector<std::string>& list, Paths::PathSet* seen = nullptr) const {
        Paths::PathSet local;
        CListFiles walk(list, seen ? *seen : local);
        Self().WalkFiles(walk);
    }
    // Replaces every path that is a key of the map by its value.
    void RelocateFiles(const Paths::PathMap& map) {
        CRelocateFiles walk(map);
        static_cast<Owner&>(*this).WalkFiles(walk);
    }

private:
    // The collecting walks change nothing, so they may run on a const owner.
    Owner& Self() const { return const_cast<Owner&>(static_cast<const Owner&>(*this)); }
};
