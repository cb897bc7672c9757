#pragma once

#include "app/ExtThumbCache.h"

#include <mutex>

class IAssetLoader;

// Thumbnails of a template's pictures, which live inside the template package
// and are read through its asset loader; paths the package does not hold are
// made from the file system as for any other file.
//
// A packaged picture never changes while the template is open, so it is filed
// under the MD5 digest of its path alone. A path that names a file on disk (a
// picture the user chose in place of a template picture) keeps the file's
// modification time in its key, so a file edited or removed since its
// thumbnail was made is not shown from the cache.
class CProjTmplThumbCache : public CExtThumbCache {
public:
    explicit CProjTmplThumbCache(IAssetLoader* tmpl = nullptr, int width = kThumbSize,
                                 int height = kThumbSize);

    // The template whose pictures are asked for (not owned); null forgets it.
    // Returns once no thumbnail is being read from the previous one, so the
    // caller may destroy that template afterwards even while a worker still
    // runs.
    void SetTemplate(IAssetLoader* tmpl);

    std::optional<SDigest> MakeKey(const std::string& path) override;
    // The packaged picture of that path decoded into a white box; a path the
    // template does not hold is made from the file system. A packaged file
    // that is empty or cannot be decoded gives no thumbnail.
    std::unique_ptr<PLAnyBmp> MakeThumbnail(const std::string& path) override;

private:
    std::mutex m_tmplLock; // guards m_tmpl and is held while it reads
    IAssetLoader* m_tmpl;
};
