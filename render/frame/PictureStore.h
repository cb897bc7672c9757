#pragma once

#include <compare>
#include <map>
#include <memory>
#include <mutex>
#include <string>

class CKeptPicture;

// Decoded pictures the clips of one album share: a clip that shows a file
// decoded for the same box as a clip before it takes that clip's picture
// instead of decoding the file again. The store only finds pictures: each
// lives as long as a clip shows it. Thread-safe, for the director's slots
// load on their own workers.
class CPictureStore {
public:
    // What makes two decodes the same: the file's name (within one album a
    // name means one file, packaged or not), the decode box and how it is
    // read, and draft decoding.
    struct SKey {
        std::string name;
        int maxWidth = 0, maxHeight = 0;
        bool cover = false;
        bool draft = false;
        auto operator<=>(const SKey&) const = default;
    };

    CPictureStore() = default;
    CPictureStore(const CPictureStore&) = delete;
    CPictureStore& operator=(const CPictureStore&) = delete;

    // The picture a clip shows for key; null when none does.
    [[nodiscard]] std::shared_ptr<const CKeptPicture> Find(const SKey& key);
    // Offers a picture just decoded for key and returns the one to show: the
    // picture kept for key meanwhile (two loaders decoded it at once), or
    // this one.
    std::shared_ptr<const CKeptPicture> Keep(const SKey& key,
                                             std::shared_ptr<const CKeptPicture> picture);
    // Later look-ups decode afresh: the names may now mean other files (a
    // new album, a replaced picture). Clips keep what they show.
    void Forget();
    // Names with a picture that some clip still shows.
    [[nodiscard]] int Count();

private:
    std::mutex m_lock;
    std::map<SKey, std::weak_ptr<const CKeptPicture>> m_pictures;
};
