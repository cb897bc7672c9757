#include "app/ProjTmplThumbCache.h"

#include "media/AnyDecoder.h"
#include "media/DataSource.h"
#include "media/TextException.h"
#include "project/AssetLoader.h"

#include <sys/stat.h>

#include <vector>

CProjTmplThumbCache::CProjTmplThumbCache(IAssetLoader* tmpl, int width, int height)
    : CExtThumbCache(width, height), m_tmpl(tmpl) {}

void CProjTmplThumbCache::SetTemplate(IAssetLoader* tmpl) {
    std::lock_guard lock(m_tmplLock);
    m_tmpl = tmpl;
}

std::optional<SDigest> CProjTmplThumbCache::MakeKey(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0)
        return CExtThumbCache::MakeKey(path);
    return Md5Digest(path.data(), path.size());
}

std::unique_ptr<PLAnyBmp> CProjTmplThumbCache::MakeThumbnail(const std::string& path) {
    std::vector<std::uint8_t> data;
    bool packaged = false;
    {
        std::lock_guard lock(m_tmplLock);
        packaged = m_tmpl && m_tmpl->LoadAsset(path, data);
    }
    if (!packaged)
        return CExtThumbCache::MakeThumbnail(path);
    if (data.empty())
        return nullptr;
    // The source outlives the decoder that reads it.
    PLMemSource source;
    source.Open(data.data(), data.size());
    PLAnyDecoder dec;
    dec.SetRequestedSize(GetWidth(), GetHeight());
    dec.SetDraft(true);
    try {
        dec.Open(&source);
    } catch (const PLTextException&) {
        return nullptr;
    }
    return FitIntoBox(dec, false);
}
