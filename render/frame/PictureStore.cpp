#include "render/frame/PictureStore.h"

#include "render/frame/KeptPicture.h"

std::shared_ptr<const CKeptPicture> CPictureStore::Find(const SKey& key) {
    std::lock_guard lock(m_lock);
    auto found = m_pictures.find(key);
    return found == m_pictures.end() ? nullptr : found->second.lock();
}

std::shared_ptr<const CKeptPicture> CPictureStore::Keep(const SKey& key,
                                                        std::shared_ptr<const CKeptPicture> picture) {
    if (!picture)
        return picture;
    std::lock_guard lock(m_lock);
    // Pictures no clip shows any more leave the map here.
    std::erase_if(m_pictures, [](const auto& entry) { return entry.second.expired(); });
    auto [at, added] = m_pictures.try_emplace(key, picture);
    if (added)
        return picture;
    if (std::shared_ptr<const CKeptPicture> kept = at->second.lock())
        return kept;
    at->second = picture;
    return picture;
}

void CPictureStore::Forget() {
    std::lock_guard lock(m_lock);
    m_pictures.clear();
}

int CPictureStore::Count() {
    std::lock_guard lock(m_lock);
    int count = 0;
    for (const auto& entry : m_pictures)
        count += !entry.second.expired();
    return count;
}
