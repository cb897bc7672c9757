#include "media/ExifCache.h"

#include "media/AnyDecoder.h"

#include <cstdio>
#include <sys/stat.h>

std::optional<SDigest> PLExifCache::MakeKey(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0)
        return std::nullopt;
    return CLruCache::MakeKey(path);
}

PLExifCache::Value PLExifCache::MakeValue(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0)
        return nullptr;
    PLAnyDecoder dec;
    auto record = std::make_shared<CExifRecord>();
    if (!dec.OpenFile2(path) || !dec.GetExif(*record))
        return nullptr;
    return record;
}

PLExifCache& PLExifCache::Global() {
    static PLExifCache cache;
    return cache;
}

std::string GetExifText(const std::string& path, const std::string& key) {
    auto record = PLExifCache::Global().FindOrMake(path);
    return record ? record->GetText(key) : std::string();
}

bool GetPictureDate(const std::string& path, std::time_t& date) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return false;
    date = st.st_mtime;
    std::string text = GetExifText(path, "Main.ModTime");
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    if (std::sscanf(text.c_str(), "%d:%d:%d %d:%d:%d", &y, &mo, &d, &h, &mi, &s) == 6 &&
        y > 1899 && mo >= 1 && mo <= 12 && d >= 1 && d <= 31 && h >= 0 && h <= 23 && mi >= 0 &&
        mi <= 59 && s >= 0 && s <= 59) {
        std::tm t{};
        t.tm_year = y - 1900;
        t.tm_mon = mo - 1;
        t.tm_mday = d;
        t.tm_hour = h;
        t.tm_min = mi;
        t.tm_sec = s;
        t.tm_isdst = -1;
        std::time_t made = std::mktime(&t);
        if (made != std::time_t(-1))
            date = made;
    }
    return true;
}
