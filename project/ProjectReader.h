#pragma once

#include <cstddef>
#include <functional>
#include <string>

class CMainDoc;

// Reads a project stream (any version from 1 to 18) into a document, converting
// the layouts of older versions into the current model.
class CProjectReader {
public:
    // Asked before a stream older than version 15 is read, unless the setting
    // "WarnOldKVS" is 0. Returning false abandons the load without a message.
    // Without a callback old streams are read.
    using ConfirmOldVersion = std::function<bool(double version)>;

    enum EResult { kLoaded, kFailed, kDeclined };

    // The path the stream was read from decides where package paths are
    // anchored; a memory stream reports "Z:\1.kvs".
    static constexpr const char* kMemoryStreamPath = "Z:\\1.kvs";

    // Reads the document header and the project into doc, which must be empty.
    // On failure the document is reset and error says why.
    static EResult Read(CMainDoc& doc, const void* data, std::size_t size, std::string& error,
                        const ConfirmOldVersion& confirm = {},
                        const std::string& streamPath = kMemoryStreamPath);

    // Parses a version string: every character that is not a decimal digit
    // counts as the decimal separator, so "18,00" and "18.00" both give 18.
    static double ParseVersion(const std::string& text);

    // The package path re-anchoring of a path read from a stream saved from
    // savedFrom and now read from streamPath; empty when the path has no
    // relative form.
    static std::string Reanchor(const std::string& path, const std::string& savedFrom,
                                const std::string& streamPath);
};
