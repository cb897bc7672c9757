#include "base/PartFile.h"

#include "base/TempFolders.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Reason(int error) {
    return std::strerror(error ? error : EIO);
}

} // namespace

CPartFile::~CPartFile() {
    Discard();
}

bool CPartFile::Create(const std::string& path, std::string& why) {
    Discard();
    m_path = path;
    // A fresh name made here rather than by mkstemp, whose 0600 file would
    // need the umask read, and umask can only be read by changing it for
    // every thread at once. open() applies the user's umask itself.
    static constexpr char kLetters[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<int> pick(0, int(sizeof kLetters) - 2);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string temp = path + ".part-";
        for (int i = 0; i < 6; ++i)
            temp += kLetters[pick(random)];
        m_fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (m_fd >= 0) {
            m_temp = temp;
            TempFolders::AddFile(m_temp);
            return true;
        }
        if (errno != EEXIST)
            break;
    }
    why = Reason(errno);
    return false;
}

bool CPartFile::Write(const void* data, std::size_t size, std::string& why) {
    return WriteAll(m_fd, data, size, why);
}

bool CPartFile::WriteAll(int fd, const void* data, std::size_t size, std::string& why) {
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = write(fd, bytes, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            why = Reason(n < 0 ? errno : ENOSPC);
            return false;
        }
        bytes += n;
        size -= std::size_t(n);
    }
    return true;
}

bool CPartFile::Close(std::string& why) {
    if (m_fd < 0)
        return true;
    const int fd = m_fd;
    m_fd = -1;
    if (close(fd) != 0) {
        why = Reason(errno);
        return false;
    }
    return true;
}

bool CPartFile::Commit(bool replace, std::string& why) {
    if (!Close(why) || m_temp.empty())
        return false;
    int result = 0;
    if (replace) {
        result = rename(m_temp.c_str(), m_path.c_str());
    } else {
        // The name is taken or not at the moment of the rename, even when
        // another process takes it meanwhile. File systems without that
        // rename get a hard link, which fails on a taken name just as well;
        // those without links (FAT) a look just before the rename.
        result = renameat2(AT_FDCWD, m_temp.c_str(), AT_FDCWD, m_path.c_str(), RENAME_NOREPLACE);
        if (result != 0 && errno == EINVAL) {
            result = link(m_temp.c_str(), m_path.c_str());
            if (result == 0) {
                unlink(m_temp.c_str());
            } else if (errno == EPERM || errno == EOPNOTSUPP) {
                struct stat existing {};
                if (lstat(m_path.c_str(), &existing) == 0) {
                    errno = EEXIST;
                } else {
                    result = rename(m_temp.c_str(), m_path.c_str());
                }
            }
        }
    }
    if (result != 0) {
        why = errno == EEXIST ? std::string("it already exists") : Reason(errno);
        return false;
    }
    TempFolders::ForgetFile(m_temp);
    m_temp.clear();
    return true;
}

void CPartFile::Discard() {
    if (m_fd >= 0) {
        close(m_fd);
        m_fd = -1;
    }
    if (!m_temp.empty()) {
        unlink(m_temp.c_str());
        TempFolders::ForgetFile(m_temp);
        m_temp.clear();
    }
}
