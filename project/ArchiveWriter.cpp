#include "project/ArchiveWriter.h"

#include "project/Object.h"
#include "project/TextCodec.h"

#include <cstring>

void CArchiveWriter::WriteWord(std::uint16_t value) {
    WriteByte(std::uint8_t(value));
    WriteByte(std::uint8_t(value >> 8));
}

void CArchiveWriter::WriteDword(std::uint32_t value) {
    WriteWord(std::uint16_t(value));
    WriteWord(std::uint16_t(value >> 16));
}

void CArchiveWriter::WriteDouble(double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    WriteDword(std::uint32_t(bits));
    WriteDword(std::uint32_t(bits >> 32));
}

void CArchiveWriter::WriteFloat(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    WriteDword(bits);
}

void CArchiveWriter::WriteLength(std::uint32_t length) {
    if (length < 0xFF) {
        WriteByte(std::uint8_t(length));
        return;
    }
    WriteByte(0xFF);
    if (length < 0xFFFE) {
        WriteWord(std::uint16_t(length));
        return;
    }
    WriteWord(0xFFFF);
    WriteDword(length);
}

void CArchiveWriter::WriteNarrowString(std::string_view bytes) {
    WriteLength(std::uint32_t(bytes.size()));
    m_bytes.append(bytes);
}

void CArchiveWriter::WriteWideString(std::string_view utf8) {
    std::string units = TextCodec::ToUtf16Le(utf8);
    WriteByte(0xFF);
    WriteWord(0xFFFE);
    WriteLength(std::uint32_t(units.size() / 2));
    m_bytes.append(units);
}

void CArchiveWriter::WriteString(std::string_view utf8) {
    std::string narrow;
    if (TextCodec::ToCp1252(utf8, narrow))
        WriteNarrowString(narrow);
    else
        WriteWideString(utf8);
}

void CArchiveWriter::WriteIndexTag(std::uint32_t index, bool classIndex) {
    if (index < 0x7FFF) {
        WriteWord(std::uint16_t(index | (classIndex ? 0x8000u : 0u)));
        return;
    }
    WriteWord(0x7FFF);
    WriteDword(index | (classIndex ? 0x80000000u : 0u));
}

bool CArchiveWriter::WriteTag(const CObject* object) {
    if (!object) {
        WriteWord(0);
        return false;
    }
    if (auto it = m_objectIndex.find(object); it != m_objectIndex.end()) {
        WriteIndexTag(it->second, false);
        return false;
    }
    const CRuntimeClass* cls = object->GetRuntimeClass();
    if (auto it = m_classIndex.find(cls); it != m_classIndex.end()) {
        WriteIndexTag(it->second, true);
    } else {
        WriteWord(0xFFFF);
        WriteWord(0); // schema
        std::size_t length = std::strlen(cls->m_className);
        WriteWord(std::uint16_t(length));
        m_bytes.append(cls->m_className, length);
        m_classIndex.emplace(cls, m_nextIndex++);
    }
    m_objectIndex.emplace(object, m_nextIndex++);
    return true;
}
