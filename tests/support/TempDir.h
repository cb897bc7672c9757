#pragma once

#include <string>

// A private temporary folder, removed with everything in it on destruction.
class CTempDir {
public:
    CTempDir();
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;
    ~CTempDir();

    [[nodiscard]] const std::string& Path() const { return m_path; }
    // Path of a name inside the folder.
    [[nodiscard]] std::string operator/(const std::string& name) const { return m_path + "/" + name; }
    // Writes a file inside the folder and returns its path.
    std::string WriteFile(const std::string& name, const std::string& bytes) const;

private:
    std::string m_path;
};

// Reads a whole file; empty when it cannot be read.
std::string ReadWholeFile(const std::string& path);

// Points the settings store at a fresh, empty file for the scope's lifetime, so a
// test that writes settings neither sees nor leaves values of other tests.
class CScopedSettings {
public:
    CScopedSettings();
    CScopedSettings(const CScopedSettings&) = delete;
    CScopedSettings& operator=(const CScopedSettings&) = delete;
    ~CScopedSettings();

    [[nodiscard]] std::string Path() const { return m_dir / "kelvclip.ini"; }

private:
    CTempDir m_dir;
    std::string m_previous;
};
