#pragma once

#include "base/LruCache.h"
#include "media/ExifRecord.h"

#include <ctime>
#include <string>

// The process-wide cache of 500 EXIF records keyed by path. A record is made
// only for an existing file whose EXIF block can be read; otherwise nothing is
// cached and the next request tries again.
class PLExifCache : public CLruCache<CExifRecord> {
public:
    PLExifCache() : CLruCache(500) {}
    std::optional<SDigest> MakeKey(const std::string& path) override;
    Value MakeValue(const std::string& path) override;

    static PLExifCache& Global();
};

// The text of an EXIF tag of a picture ("Main.Desc", "Main.ModTime", …); empty
// when the picture has no such tag.
std::string GetExifText(const std::string& path, const std::string& key);

// When a picture was taken: its EXIF "Main.ModTime" when that reads as a valid
// local date and time, else the file's modification time. False when the file's
// status cannot be read.
bool GetPictureDate(const std::string& path, std::time_t& date);
