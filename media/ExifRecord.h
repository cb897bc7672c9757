#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

// The tags of a picture's EXIF block as text, each under "Group.Name": the
// groups are Main (the main image directory), Sub (the EXIF directory), Thumb,
// GPS and Interop; names are the tag names of libexif, except that the main
// directory's image description is "Main.Desc" and its date and time of last
// change "Main.ModTime".
class CExifRecord {
public:
    // Reads an EXIF block (the APP1 payload starting "Exif\0\0", or the bytes
    // after it). False, with the record emptied, when nothing readable is there.
    bool ReadBlock(const std::uint8_t* data, std::size_t size);
    // Reads EXIF kept as a bare TIFF structure (its byte-order mark first),
    // as WebP and HEIF files store it; a block that still has the "Exif\0\0"
    // lead is read as it is. Only the first 64 KiB are read, as much as a
    // JPEG file can hold: the main directory comes first.
    bool ReadTiff(const std::uint8_t* data, std::size_t size);

    // The text of a tag; empty when the record has no such tag.
    [[nodiscard]] std::string GetText(const std::string& key) const;
    // The orientation tag of the main directory (1 … 8); 1 when missing or
    // out of range.
    [[nodiscard]] int GetOrientation() const { return m_orientation; }
    [[nodiscard]] bool IsEmpty() const { return m_tags.empty(); }
    [[nodiscard]] const std::map<std::string, std::string>& GetTags() const { return m_tags; }
    void Clear() {
        m_tags.clear();
        m_orientation = 1;
    }

private:
    std::map<std::string, std::string> m_tags;
    int m_orientation = 1;
};
