#include "media/DataSource.h"

#include "media/TextException.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/mman.h>
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
    std::size_t size = std::size_t(st.st_size);
    if (size > 0) {
        void* map = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
        ::close(fd);
        if (map == MAP_FAILED)
            fail(EACCES);
        m_map = map;
        m_mapSize = size;
    } else {
        ::close(fd);
    }
    SetData(static_cast<const std::uint8_t*>(m_map), size, path);
}

void PLFileSource::Close() {
    if (m_map)
        ::munmap(m_map, m_mapSize);
    m_map = nullptr;
    m_mapSize = 0;
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
