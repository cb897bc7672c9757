#include "base/InputFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace InputFile {

int Open(const std::string& path, std::string& why) {
    why.clear();
    if (path.empty()) {
        why = "no file given";
        return -1;
    }
    // O_NONBLOCK keeps open() from waiting for a writer on a FIFO; the mode is
    // checked before any byte is read.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        int error = errno;
        why = error == ENOENT   ? "does not exist"
              : error == EISDIR ? "is a directory"
                                : std::strerror(error);
        return -1;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        why = S_ISDIR(info.st_mode) ? "is a directory" : "is not a regular file";
        ::close(fd);
        return -1;
    }
    int flags = fcntl(fd, F_GETFL);
    if (flags != -1)
        fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

bool Read(const std::string& path, std::string& bytes, std::string& why) {
    int fd = Open(path, why);
    if (fd < 0)
        return false;
    bytes.clear();
    char buffer[1 << 16];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            why = std::strerror(errno);
        if (n <= 0) {
            ::close(fd);
            return n == 0;
        }
        bytes.append(buffer, std::size_t(n));
    }
}

bool Check(const std::string& path, std::string& why) {
    int fd = Open(path, why);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

} // namespace InputFile
