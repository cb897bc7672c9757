#pragma once

#include <array>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

// The MD5 digest (RFC 1321) of some bytes.
using SDigest = std::array<std::uint8_t, 16>;
SDigest Md5Digest(const void* data, std::size_t size);

// A thread-safe least-recently-used cache. Entries are found by a 32-bit key:
// the first four bytes of a name's 16-byte digest read as a little-endian
// integer, so two names whose digests agree in those bytes share one entry.
// Values are handed out as shared pointers: a caller keeps its value alive even
// when another thread evicts the entry a moment later. One lock guards every
// operation; making a value runs outside it, so a slow decode never blocks
// readers of other entries.
template <class V>
class CLruCache {
public:
    using Value = std::shared_ptr<const V>;

    explicit CLruCache(std::size_t capacity) : m_capacity(capacity ? capacity : 1) {}
    CLruCache(const CLruCache&) = delete;
    CLruCache& operator=(const CLruCache&) = delete;
    virtual ~CLruCache() = default;

    // The digest a name is filed under; nothing when no key can be formed
    // (then the name is never cached).
    virtual std::optional<SDigest> MakeKey(const std::string& name) {
        return Md5Digest(name.data(), name.size());
    }
    // Makes the value for a name; null when it cannot be made.
    virtual Value MakeValue(const std::string& name) = 0;

    // The value of a name, now the newest entry; null on a miss.
    Value Find(const std::string& name) {
        auto key = KeyOf(name);
        if (!key)
            return nullptr;
        std::lock_guard lock(m_lock);
        auto it = m_map.find(*key);
        if (it == m_map.end())
            return nullptr;
        m_order.splice(m_order.begin(), m_order, it->second);
        return it->second->value;
    }

    // Files a value under a name as the newest entry, replacing what that key
    // held. When the cache is full the oldest entry goes.
    void Insert(const std::string& name, Value value) {
        auto key = KeyOf(name);
        if (!key || !value)
            return;
        std::lock_guard lock(m_lock);
        auto it = m_map.find(*key);
        if (it != m_map.end()) {
            // A key holds one node: the old value goes now instead of lingering
            // in the order list until it is evicted as a stranger.
            it->second->value = std::move(value);
            m_order.splice(m_order.begin(), m_order, it->second);
            return;
        }
        m_order.push_front(SNode{*key, std::move(value)});
        m_map.emplace(*key, m_order.begin());
        if (m_order.size() > m_capacity) {
            m_map.erase(m_order.back().key);
            m_order.pop_back();
        }
    }

    // Find, and on a miss make the value and insert it.
    Value FindOrMake(const std::string& name) {
        if (auto found = Find(name))
            return found;
        Value made = MakeValue(name);
        if (made)
            Insert(name, made);
        return made;
    }

    void Clear() {
        std::lock_guard lock(m_lock);
        m_map.clear();
        m_order.clear();
    }

    [[nodiscard]] std::size_t GetCount() {
        std::lock_guard lock(m_lock);
        return m_order.size();
    }
    [[nodiscard]] std::size_t GetCapacity() const { return m_capacity; }

private:
    struct SNode {
        std::uint32_t key;
        Value value;
    };

    std::optional<std::uint32_t> KeyOf(const std::string& name) {
        auto digest = MakeKey(name);
        if (!digest)
            return std::nullopt;
        const auto& d = *digest;
        return std::uint32_t(d[0]) | std::uint32_t(d[1]) << 8 | std::uint32_t(d[2]) << 16 |
               std::uint32_t(d[3]) << 24;
    }

    const std::size_t m_capacity;
    std::mutex m_lock;
    std::list<SNode> m_order; // newest first
    std::unordered_map<std::uint32_t, typename std::list<SNode>::iterator> m_map;
};
