#include "media/ExifRecord.h"

#include <libexif/exif-data.h>
#include <libexif/exif-loader.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace {

const char* GroupName(ExifIfd ifd) {
    switch (ifd) {
    case EXIF_IFD_0: return "Main";
    case EXIF_IFD_1: return "Thumb";
    case EXIF_IFD_EXIF: return "Sub";
    case EXIF_IFD_GPS: return "GPS";
    case EXIF_IFD_INTEROPERABILITY: return "Interop";
    default: return "Other";
    }
}

struct SWalk {
    CExifRecord* record;
    std::map<std::string, std::string>* tags;
    ExifIfd ifd;
    int* orientation;
    ExifByteOrder order;
};

} // namespace

bool CExifRecord::ReadBlock(const std::uint8_t* data, std::size_t size) {
    Clear();
    if (!data || size < 6 || size > 0xFFFF + 6)
        return false;
    ExifData* ed = exif_data_new();
    if (!ed)
        return false;
    // Keep the tags as stored. By default libexif "fixes" a block on loading
    // by adding every tag it deems mandatory, with made-up values (a
    // modification date of today among them); its option bit 1 does that.
    exif_data_unset_option(ed, ExifDataOption(1 << 1));
    exif_data_set_option(ed, EXIF_DATA_OPTION_IGNORE_UNKNOWN_TAGS);
    exif_data_load_data(ed, data, unsigned(size));
    ExifByteOrder order = exif_data_get_byte_order(ed);
    for (int i = 0; i < EXIF_IFD_COUNT; ++i) {
        ExifContent* content = ed->ifd[i];
        if (!content)
            continue;
        SWalk walk{this, &m_tags, ExifIfd(i), &m_orientation, order};
        exif_content_foreach_entry(
            content,
            [](ExifEntry* entry, void* user) {
                auto* w = static_cast<SWalk*>(user);
                std::array<char, 1024> value{};
                exif_entry_get_value(entry, value.data(), unsigned(value.size()));
                std::string name;
                if (w->ifd == EXIF_IFD_0 && entry->tag == EXIF_TAG_IMAGE_DESCRIPTION)
                    name = "Desc";
                else if (w->ifd == EXIF_IFD_0 && entry->tag == EXIF_TAG_DATE_TIME)
                    name = "ModTime";
                else if (const char* n = exif_tag_get_name_in_ifd(entry->tag, w->ifd))
                    name = n;
                else
                    name = "Tag" + std::to_string(int(entry->tag));
                if (w->ifd == EXIF_IFD_0 && entry->tag == EXIF_TAG_ORIENTATION &&
                    entry->format == EXIF_FORMAT_SHORT && entry->components >= 1 && entry->data &&
                    entry->size >= 2) {
                    int v = exif_get_short(entry->data, w->order);
                    *w->orientation = v >= 1 && v <= 8 ? v : 1;
                }
                (*w->tags)[std::string(GroupName(w->ifd)) + "." + name] =
                    std::string(value.data(), strnlen(value.data(), value.size()));
            },
            &walk);
    }
    exif_data_unref(ed);
    return !m_tags.empty();
}

bool CExifRecord::ReadTiff(const std::uint8_t* data, std::size_t size) {
    static constexpr char kLead[6] = {'E', 'x', 'i', 'f', 0, 0};
    if (data && size >= 6 && std::memcmp(data, kLead, 6) == 0)
        return ReadBlock(data, std::min<std::size_t>(size, 0xFFFF + 6));
    Clear();
    if (!data || size < 8 ||
        !(std::memcmp(data, "II*\0", 4) == 0 || std::memcmp(data, "MM\0*", 4) == 0))
        return false;
    std::vector<std::uint8_t> block(kLead, kLead + 6);
    block.insert(block.end(), data, data + std::min<std::size_t>(size, 0xFFFF));
    return ReadBlock(block.data(), block.size());
}

std::string CExifRecord::GetText(const std::string& key) const {
    auto it = m_tags.find(key);
    return it == m_tags.end() ? std::string() : it->second;
}
