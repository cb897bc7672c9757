#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

// Decoder error codes.
enum PLErrCode : int {
    PL_ERRFILE_NOT_FOUND = 3,        // the path does not exist
    PL_ERRFILE_OPEN = 4,             // the file or resource could not be opened otherwise
    PL_ERRACCESS_DENIED = 5,         // no permission, or the file could not be mapped
    PL_ERRFORMAT_NOT_SUPPORTED = 6,  // a request or a variant of a format we do not serve
    PL_ERRINTERNAL = 7,              // internal or decoding failure (also corrupt data)
    PL_ERRUNKNOWN_FILE_TYPE = 8,     // no format matched
    PL_ERRNO_MEMORY = 10,            // too large to allocate
    PL_ERREND_OF_FILE = 11,          // the data ended early
    PL_ERRFORMAT_NOT_COMPILED = 12,  // a recognised type we have no decoder for
};

// The one error every decoder raises: a code from PLErrCode and a text.
class PLTextException : public std::runtime_error {
public:
    PLTextException(int code, const std::string& text) : std::runtime_error(text), m_code(code) {}
    [[nodiscard]] int GetCode() const { return m_code; }

private:
    int m_code;
};

inline constexpr const char* kTextEndOfFile = "End of file reached while decoding.\n";
inline constexpr const char* kTextDepthMismatch = "Image bit depth doesn't match request.";
inline constexpr const char* kTextUnknownType = "Unknown file type.";
inline constexpr const char* kTextNotCompiled = "Library not compiled for this file type.";
inline constexpr const char* kTextNoMemory = "Out of memory during strdup.";
inline constexpr const char* kTextNullDecoder = "NULL decoder.";

// Raises code 10 when a picture of that size would be unreasonable to hold:
// a side above 20000 pixels or more than 2^28 pixels (1 GiB at four bytes);
// the text gives the size and the limits.
// Called by every decoder before it allocates pixels.
void PLCheckPictureSize(long long width, long long height);

// Raises code 11 (the text of a file that ends early) when the bytes a
// picture's data has, have, cannot hold what its header claims, least: the
// fewest bytes that can encode the picture. Decoders call it when they open
// a picture, before they allocate for it, so a short file that claims a large
// picture takes no memory for it.
void PLCheckPictureData(std::uint64_t have, std::uint64_t least);

// The most output one byte of compressed data can give. Deflate: a match of
// 258 bytes can cost two one-bit codes, so at most 1032 bytes per byte. LZW
// with codes of 9 to 12 bits: a code gives at most 4,096 − 258 + 1 bytes, and
// takes 9 bits at least, which stays below 4096 per byte.
inline constexpr std::uint64_t kDeflateMostPerByte = 1032;
inline constexpr std::uint64_t kLzwMostPerByte = 4096;
