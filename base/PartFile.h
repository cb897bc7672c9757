#pragma once

#include <cstddef>
#include <string>

// A file written under a temporary name beside its final one and renamed into
// place when complete, so its path only ever holds a whole file: a full disk,
// a failure or a second writer never leaves a cut file there, and what was
// there stays until the new file replaces it at once. The temporary file is
// registered with TempFolders while it exists (a signal ending the program
// removes it) and removed when the object goes without Commit.
class CPartFile {
public:
    CPartFile() = default;
    ~CPartFile();
    CPartFile(const CPartFile&) = delete;
    CPartFile& operator=(const CPartFile&) = delete;

    // Makes "<path>.part-XXXXXX" (six random letters; mode as the umask
    // gives new files) and keeps it open; false with why set when it cannot
    // be made.
    bool Create(const std::string& path, std::string& why);
    // Writes all of the bytes; false with why set (a full disk …).
    bool Write(const void* data, std::size_t size, std::string& why);
    // Writes all of the bytes to a descriptor, resuming after signals.
    static bool WriteAll(int fd, const void* data, std::size_t size, std::string& why);
    // Closes the descriptor (buffered data meets a full disk here at the
    // latest); the file stays for writers that open it by name.
    bool Close(std::string& why);
    // Renames the temporary file to the final path. Without replace an
    // existing file at the path is kept and the commit fails saying so.
    bool Commit(bool replace, std::string& why);
    // Removes the temporary file (also done by the destructor).
    void Discard();

    [[nodiscard]] const std::string& Path() const { return m_path; }
    [[nodiscard]] const std::string& TempPath() const { return m_temp; }
    [[nodiscard]] int Fd() const { return m_fd; }

private:
    std::string m_path;
    std::string m_temp;
    int m_fd = -1;
};
