#pragma once

#include "project/MediaProbe.h"
#include "project/Object.h"

#include <memory>
#include <string>

// One sound file reference with trimming and fades: an album's music entry, a
// slide's sound or a media item's sound. Setting the file opens it through the
// installed media probe, which tells whether it could be decoded and its facts.
class CMusicFile : public CObject {
public:
    static const CRuntimeClass kRuntimeClass;
    [[nodiscard]] const CRuntimeClass* GetRuntimeClass() const override { return &kRuntimeClass; }

    CMusicFile();
    explicit CMusicFile(const std::string& path);

    // The decoded sound of an entry, trimmed and faded, as an audio source.
    // The sound layer defines and makes it (audio/MusicFileSrc.h); the model
    // only describes the entry.
    class XAudioSrc;

    [[nodiscard]] const std::string& GetPath() const { return m_path; }
    // Stores the path and opens the file; returns whether it could be opened.
    // An empty path is no file: it is not opened and has no error.
    bool SetFile(const std::string& path);
    // Opens the current file again.
    bool Open();

    // Sets the start offset and play length (seconds; a length of 0 plays to the
    // end). When the file's duration is known, a positive length is cut so that
    // start + length does not pass the end of the file.
    void SetStartAndLength(double start, double length);
    [[nodiscard]] double GetStart() const { return m_start; }
    [[nodiscard]] double GetLength() const { return m_length; }

    double m_fadeIn = 0.0;
    double m_fadeOut = 0.0;

    [[nodiscard]] bool IsOpened() const { return m_opened; }
    [[nodiscard]] const std::string& GetError() const { return m_error; }
    [[nodiscard]] const SSoundFacts& GetFacts() const { return m_facts; }
    // The whole file's duration in seconds; 0 when unknown.
    [[nodiscard]] double GetFileDuration() const { return m_facts.Duration(); }

private:
    std::string m_path;
    double m_start = 0.0;
    double m_length = 0.0;
    bool m_opened = false;
    std::string m_error;
    SSoundFacts m_facts;
};
