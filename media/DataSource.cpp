#include "media/DataSource.h"

#include "media/TextException.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <map>
#include <memory>
#include <new>
#include <mutex>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

const std::uint8_t* PLDataSource::ReadNBytes(std::size_t n) {
    const std::uint8_t* p = GetBufferPtr(n);
    Advance(m_pos + n);
    return p;
}

const std::uint8_t* PLDataSource::GetBufferPtr(std::size_t n) const {
    if (n > m_size - m_pos)
        throw PLTextException(PL_ERREND_OF_FILE, kTextEndOfFile);
    return m_data ? m_data + m_pos : nullptr; // an empty file has no mapping
}

const std::uint8_t* PLDataSource::Peek(std::size_t n, std::size_t& count) const {
    count = std::min(n, m_size - m_pos);
    return m_data ? m_data + m_pos : nullptr;
}

void PLDataSource::Seek(std::size_t pos) {
    if (pos > m_size)
        throw PLTextException(PL_ERREND_OF_FILE, kTextEndOfFile);
    Advance(pos);
}

void PLDataSource::Advance(std::size_t to) {
    // The sink hears of each 1024-byte boundary the position crosses.
    bool crossed = to / 1024 != m_pos / 1024;
    m_pos = to;
    if (crossed && m_progress && m_size)
        m_progress->OnProgress(double(m_pos) / double(m_size));
}

void PLFileSource::Open(const std::string& path) {
    Close();
    auto fail = [&](int err) {
        int code = err == ENOENT || err == ENOTDIR ? PL_ERRFILE_NOT_FOUND
                   : err == EACCES || err == EPERM || err == EBUSY ? PL_ERRACCESS_DENIED
                                                                   : PL_ERRFILE_OPEN;
        throw PLTextException(code, "Opening " + path + " failed");
    };
    // O_NONBLOCK: a FIFO must not block the open; it is refused below.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        fail(errno);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        int err = errno;
        ::close(fd);
        fail(S_ISDIR(st.st_mode) ? EISDIR : err);
    }
    // The file is read into memory, not mapped: a file that shrinks while it
    // is read (a photo still being copied, or truncated meanwhile) must give
    // that picture's "end of file" error, and a mapping would end the whole
    // program with SIGBUS at the first page past the new end.
    if (std::uint64_t(st.st_size) > kMaxFileBytes) {
        ::close(fd);
        throw PLTextException(PL_ERRNO_MEMORY,
                              path + " is too large to read: " + std::to_string(st.st_size) +
                                  " bytes (at most " + std::to_string(kMaxFileBytes >> 20) +
                                  " MB)");
    }
    const std::size_t size = std::size_t(st.st_size);
    std::unique_ptr<std::uint8_t[]> bytes;
    if (size > 0) {
        bytes.reset(new (std::nothrow) std::uint8_t[size]);
        if (!bytes) {
            ::close(fd);
            throw PLTextException(PL_ERRNO_MEMORY, path + " is too large to read");
        }
    }
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, bytes.get() + got, size - got);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n < 0) {
            const int err = errno;
            ::close(fd);
            fail(err);
        }
        if (n == 0)
            break; // the file became shorter: the decoder meets its end
        got += std::size_t(n);
    }
    ::close(fd);
    m_bytes = std::move(bytes);
    SetData(m_bytes.get(), got, path);
}

void PLFileSource::Close() {
    m_bytes.reset();
    SetData(nullptr, 0, {});
}

namespace {

using ResourceKey = std::tuple<const void*, int, std::string>;
struct SResource {
    const std::uint8_t* data;
    std::size_t size;
};

std::mutex& ResourceLock() {
    static std::mutex lock;
    return lock;
}
std::map<ResourceKey, SResource>& Resources() {
    static std::map<ResourceKey, SResource> table;
    return table;
}

} // namespace

void PLResourceSource::Register(const void* module, int id, const char* type,
                                const std::uint8_t* data, std::size_t size) {
    std::lock_guard lock(ResourceLock());
    Resources()[{module, id, type ? type : kRawData}] = {data, size};
}

void PLResourceSource::Open(const void* module, int id, const char* type) {
    SResource found{};
    {
        std::lock_guard lock(ResourceLock());
        auto it = Resources().find({module, id, type ? type : kRawData});
        if (it == Resources().end())
            throw PLTextException(PL_ERRFILE_OPEN, "Opening resource " + std::to_string(id) +
                                                       " failed");
        found = it->second;
    }
    SetData(found.data, found.size, "Resource: " + std::to_string(id));
}
