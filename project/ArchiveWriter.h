#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

class CObject;
struct CRuntimeClass;

// Writes the primitive encodings of a project stream into a byte string: the
// counterpart of CArchiveReader. Strings are written in the narrow
// Windows-1252 form; a string holding characters that Windows-1252 cannot
// represent is written in the wide UTF-16LE form instead, so no text is lost.
class CArchiveWriter {
public:
    void WriteByte(std::uint8_t value) { m_bytes.push_back(char(value)); }
    void WriteWord(std::uint16_t value);
    void WriteDword(std::uint32_t value);
    void WriteInt(std::int32_t value) { WriteDword(std::uint32_t(value)); }
    void WriteDouble(double value);
    void WriteFloat(float value);
    void WriteString(std::string_view utf8);
    void WriteNarrowString(std::string_view bytes); // bytes as they are
    void WriteWideString(std::string_view utf8);

    // Writes the tag of an object reference. Returns true when the object is
    // new to the stream and its body must follow; false for a null object or a
    // second reference.
    bool WriteTag(const CObject* object);

    [[nodiscard]] const std::string& Bytes() const { return m_bytes; }
    std::string Take() { return std::move(m_bytes); }

private:
    void WriteLength(std::uint32_t length);
    void WriteIndexTag(std::uint32_t index, bool classIndex);

    std::string m_bytes;
    std::uint32_t m_nextIndex = 1;
    std::map<const CRuntimeClass*, std::uint32_t> m_classIndex;
    std::map<const CObject*, std::uint32_t> m_objectIndex;
};
