#include "project/ArchiveReader.h"

#include "project/ArchiveException.h"
#include "project/Object.h"
#include "project/TextCodec.h"

#include <cstring>

namespace {

constexpr std::uint16_t kNullTag = 0x0000;
constexpr std::uint16_t kNewClassTag = 0xFFFF;
constexpr std::uint16_t kClassTag = 0x8000;
constexpr std::uint16_t kBigObjectTag = 0x7FFF;
constexpr std::uint32_t kBigClassTag = 0x80000000u;

} // namespace

CArchiveReader::CArchiveReader(const void* data, std::size_t size)
    : m_data(static_cast<const std::uint8_t*>(data)), m_size(data ? size : 0) {}

void CArchiveReader::Fail(const std::string& what) const {
    throw CArchiveException(what + " at byte " + std::to_string(m_pos));
}

const std::uint8_t* CArchiveReader::Take(std::size_t bytes) {
    if (bytes > Remaining())
        Fail("Unexpected end of the project data");
    const std::uint8_t* p = m_data + m_pos;
    m_pos += bytes;
    return p;
}

std::uint8_t CArchiveReader::ReadByte() { return *Take(1); }

std::uint16_t CArchiveReader::ReadWord() {
    const std::uint8_t* p = Take(2);
    return std::uint16_t(p[0] | (p[1] << 8));
}

std::uint32_t CArchiveReader::ReadDword() {
    const std::uint8_t* p = Take(4);
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}

double CArchiveReader::ReadDouble() {
    std::uint64_t bits = ReadDword();
    bits |= std::uint64_t(ReadDword()) << 32;
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

float CArchiveReader::ReadFloat() {
    std::uint32_t bits = ReadDword();
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void CArchiveReader::Skip(std::size_t bytes) { Take(bytes); }

int CArchiveReader::ReadCount(std::size_t minRecordBytes) {
    std::int32_t count = ReadInt();
    if (count < 0)
        Fail("Negative count in the project data");
    if (minRecordBytes > 0 && std::size_t(count) > Remaining() / minRecordBytes)
        Fail("Count larger than the project data");
    return count;
}

// The length after the first 0xFF escape: 16 bits, or 0xFFFF and 32 bits.
std::uint32_t CArchiveReader::ReadLength() {
    std::uint8_t shortLength = ReadByte();
    if (shortLength < 0xFF)
        return shortLength;
    std::uint16_t wordLength = ReadWord();
    if (wordLength < 0xFFFE)
        return wordLength;
    if (wordLength == 0xFFFE)
        Fail("Nested wide-string marker in the project data");
    return ReadDword();
}

std::string CArchiveReader::ReadString() {
    std::uint8_t shortLength = ReadByte();
    if (shortLength < 0xFF)
        return TextCodec::FromCp1252(
            {reinterpret_cast<const char*>(Take(shortLength)), shortLength});
    std::uint16_t wordLength = ReadWord();
    if (wordLength == 0xFFFE) {
        // Wide form: a second length prefix counted in UTF-16 units.
        std::uint32_t units = ReadLength();
        if (units > Remaining() / 2)
            Fail("String longer than the project data");
        return TextCodec::FromUtf16Le(
            {reinterpret_cast<const char*>(Take(std::size_t(units) * 2)), std::size_t(units) * 2});
    }
    std::uint32_t length = wordLength < 0xFFFE ? wordLength : ReadDword();
    if (length > Remaining())
        Fail("String longer than the project data");
    return TextCodec::FromCp1252({reinterpret_cast<const char*>(Take(length)), length});
}

const CRuntimeClass* CArchiveReader::LookUpClass(const std::string& name) const {
    for (const CRuntimeClass* cls : m_classes)
        if (name == cls->m_className)
            return cls;
    return nullptr;
}

CArchiveReader::STag CArchiveReader::ReadTag(const CRuntimeClass& expected) {
    STag tag;
    std::uint32_t index = 0;
    bool classIndex = false;
    std::uint16_t word = ReadWord();
    if (word == kNullTag)
        return tag;
    if (word == kNewClassTag) {
        std::uint16_t schema = ReadWord();
        std::uint16_t nameLength = ReadWord();
        std::string name(reinterpret_cast<const char*>(Take(nameLength)), nameLength);
        const CRuntimeClass* cls = LookUpClass(name);
        if (!cls)
            Fail("Unknown class \"" + name + "\" in the project data");
        if (schema != 0)
            Fail("Unknown schema " + std::to_string(schema) + " of class " + name);
        m_entries.push_back({cls, nullptr});
        tag.cls = cls;
    } else {
        if (word == kBigObjectTag) {
            std::uint32_t big = ReadDword();
            classIndex = (big & kBigClassTag) != 0;
            index = big & ~kBigClassTag;
        } else {
            classIndex = (word & kClassTag) != 0;
            index = word & ~std::uint32_t(kClassTag);
        }
        if (index == 0 || index > m_entries.size())
            Fail("Bad object reference in the project data");
        const SEntry& entry = m_entries[index - 1];
        if (classIndex) {
            if (!entry.cls || entry.object)
                Fail("Object reference used as a class in the project data");
            tag.cls = entry.cls;
        } else {
            if (!entry.object)
                Fail("Class reference used as an object in the project data");
            tag.kind = STag::kReference;
            tag.object = entry.object;
            tag.cls = entry.object->GetRuntimeClass();
        }
    }
    if (!tag.cls->IsDerivedFrom(&expected))
        Fail(std::string("Class ") + tag.cls->m_className + " where " + expected.m_className +
             " was expected");
    if (tag.kind != STag::kReference) {
        tag.kind = STag::kNew;
        if (!tag.cls->m_createObject)
            Fail(std::string("Class ") + tag.cls->m_className + " cannot be created");
    }
    return tag;
}

void CArchiveReader::RegisterObject(CObject* object) { m_entries.push_back({nullptr, object}); }
