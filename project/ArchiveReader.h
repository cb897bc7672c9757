#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CObject;
struct CRuntimeClass;

// Reads the primitive encodings of a project stream from a read-only buffer:
// little-endian integers and floating-point numbers, length-prefixed strings
// (narrow Windows-1252 or the wide UTF-16LE form, both returned as UTF-8) and
// the tags of the persistent-object encoding, with class and object indices
// shared in one sequence.
//
// Every read is checked against the end of the buffer; counts are checked
// against the bytes left, so a hostile count cannot make the caller allocate
// more than the stream could hold. Failures throw CArchiveException.
class CArchiveReader {
public:
    CArchiveReader(const void* data, std::size_t size);

    std::uint8_t ReadByte();
    std::uint16_t ReadWord();
    std::uint32_t ReadDword();
    std::int32_t ReadInt() { return std::int32_t(ReadDword()); }
    double ReadDouble();
    float ReadFloat();
    std::string ReadString();
    void Skip(std::size_t bytes);

    // Reads a count of records that each take at least minRecordBytes bytes.
    // A negative count, or one that the remaining bytes cannot hold, fails.
    int ReadCount(std::size_t minRecordBytes);

    [[nodiscard]] std::size_t Remaining() const { return m_size - m_pos; }
    [[nodiscard]] std::size_t Position() const { return m_pos; }

    // What an object tag announced.
    struct STag {
        enum EKind { kNull, kNew, kReference } kind = kNull;
        const CRuntimeClass* cls = nullptr; // kNew: the class of the object that follows
        CObject* object = nullptr;          // kReference: the object read before
    };
    // Reads a tag and checks that its class derives from the expected one. For
    // kNew the caller creates the object and calls RegisterObject before it
    // reads the object's body, so references inside the body can find it.
    // Class names are resolved through the table given to SetClasses.
    STag ReadTag(const CRuntimeClass& expected);
    void RegisterObject(CObject* object);
    // The classes a stream may name.
    void SetClasses(std::vector<const CRuntimeClass*> classes) { m_classes = std::move(classes); }

    [[noreturn]] void Fail(const std::string& what) const;

private:
    const std::uint8_t* Take(std::size_t bytes);
    std::uint32_t ReadLength();
    const CRuntimeClass* LookUpClass(const std::string& name) const;

    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
    std::vector<const CRuntimeClass*> m_classes;
    // Index n (from 1) of the shared sequence at position n - 1: either a class
    // or an object.
    struct SEntry {
        const CRuntimeClass* cls = nullptr;
        CObject* object = nullptr;
    };
    std::vector<SEntry> m_entries;
};
