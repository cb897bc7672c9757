#pragma once

#include "app/ExtThumbCache.h"
#include "project/AssetLoader.h"

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

// Holds threads back until it is opened; counts who came.
class CGate {
public:
    void Pass() {
        std::unique_lock lock(m_lock);
        ++m_arrived;
        m_cond.wait(lock, [&] { return m_open; });
    }
    void Open() {
        {
            std::lock_guard lock(m_lock);
            m_open = true;
        }
        m_cond.notify_all();
    }
    [[nodiscard]] int Arrived() {
        std::lock_guard lock(m_lock);
        return m_arrived;
    }

private:
    std::mutex m_lock;
    std::condition_variable m_cond;
    bool m_open = false;
    int m_arrived = 0;
};

// A thumbnail cache over names instead of files: the key is the digest of the
// name alone, and a thumbnail is a flat colour made from the name. Names
// listed as broken have no thumbnail; names listed as held wait at the gate
// before theirs is made.
class CNamedThumbCache : public CExtThumbCache {
public:
    std::optional<SDigest> MakeKey(const std::string& name) override {
        ++keys;
        return Md5Digest(name.data(), name.size());
    }
    std::unique_ptr<PLAnyBmp> MakeThumbnail(const std::string& name) override {
        if (held.count(name))
            gate.Pass();
        ++made;
        if (broken.count(name))
            return nullptr;
        auto thumb = std::make_unique<PLAnyBmp>();
        thumb->Create(GetWidth(), GetHeight(), 32, false, false);
        const auto grey = std::uint8_t(Md5Digest(name.data(), name.size())[0]);
        for (int y = 0; y < GetHeight(); ++y)
            for (int x = 0; x < GetWidth(); ++x)
                PutPixel(thumb->GetLineArray()[y] + 4 * x, PLPixel32{grey, grey, grey, 255});
        return thumb;
    }

    std::atomic<int> keys{0};
    std::atomic<int> made{0};
    std::set<std::string> broken; // set before any worker starts
    std::set<std::string> held;
    CGate gate;
};

// The real file-system cache, counting what the worker asks of it.
class CCountingThumbCache : public CExtThumbCache {
public:
    std::optional<SDigest> MakeKey(const std::string& path) override {
        ++keys;
        return CExtThumbCache::MakeKey(path);
    }
    std::unique_ptr<PLAnyBmp> MakeThumbnail(const std::string& path) override {
        ++made;
        return CExtThumbCache::MakeThumbnail(path);
    }
    std::atomic<int> keys{0};
    std::atomic<int> made{0};
};

// A package of named files.
class CFakePackage : public IAssetLoader {
public:
    bool LoadAsset(const std::string& path, std::vector<std::uint8_t>& data) override {
        auto it = files.find(path);
        if (it == files.end())
            return false;
        data.assign(it->second.begin(), it->second.end());
        return true;
    }
    std::map<std::string, std::string> files;
};
