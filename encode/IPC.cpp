#include "encode/IPC.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace {

constexpr const char* kNamePrefix = "/kvclip-";
constexpr std::size_t kTokenDigits = 32;

std::int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// 128 random bits as hexadecimal digits: a name nobody can guess.
bool RandomToken(std::string& token) {
    unsigned char bytes[kTokenDigits / 2];
    std::size_t got = 0;
    while (got < sizeof bytes) {
        ssize_t n = getrandom(bytes + got, sizeof bytes - got, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        got += std::size_t(n);
    }
    static const char kHex[] = "0123456789abcdef";
    token.clear();
    for (unsigned char b : bytes) {
        token += kHex[b >> 4];
        token += kHex[b & 15];
    }
    return true;
}

std::uint32_t Load(const std::uint32_t& word) { return __atomic_load_n(&word, __ATOMIC_ACQUIRE); }

} // namespace

bool CIPC::IsChannelName(const std::string& name) {
    const std::size_t prefix = std::strlen(kNamePrefix);
    if (name.size() != prefix + kTokenDigits || name.compare(0, prefix, kNamePrefix) != 0)
        return false;
    for (std::size_t i = prefix; i < name.size(); ++i)
        if (!((name[i] >= '0' && name[i] <= '9') || (name[i] >= 'a' && name[i] <= 'f')))
            return false;
    return true;
}

int CIPC::Fail(const std::string& what, int code) {
    m_errno = code ? code : EIO;
    m_errorText = what + ": " + std::strerror(m_errno);
    return kFailed;
}

CIPC::CIPC(const std::string& name, std::uint32_t capacity, bool isServer)
    : m_server(isServer), m_pid(std::uint32_t(getpid())) {
    if (isServer) {
        // The server's object: a fresh random name, created exclusively,
        // readable and writable by this user alone.
        std::string token;
        if (!RandomToken(token)) {
            Fail("No random name for the channel", errno);
            return;
        }
        m_object = kNamePrefix + token;
        m_capacity = capacity;
        m_size = MappedSize(capacity);
        int fd = shm_open(m_object.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0600);
        if (fd < 0) {
            Fail("Cannot create the channel for \"" + name + "\"", errno);
            return;
        }
        void* base = MAP_FAILED;
        if (fchmod(fd, 0600) == 0 && ftruncate(fd, off_t(m_size)) == 0)
            base = mmap(nullptr, m_size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        const int error = errno;
        close(fd);
        if (base == MAP_FAILED) {
            shm_unlink(m_object.c_str());
            Fail("Cannot map the channel for \"" + name + "\"", error);
            return;
        }
        m_base = static_cast<std::uint8_t*>(base);
        SControl* c = Control();
        pthread_mutexattr_t ma;
        pthread_mutexattr_init(&ma);
        pthread_mutexattr_setpshared(&ma, PTHREAD_PROCESS_SHARED);
        pthread_mutexattr_setrobust(&ma, PTHREAD_MUTEX_ROBUST);
        pthread_mutex_init(&c->mutex, &ma);
        pthread_mutexattr_destroy(&ma);
        pthread_condattr_t ca;
        pthread_condattr_init(&ca);
        pthread_condattr_setpshared(&ca, PTHREAD_PROCESS_SHARED);
        pthread_condattr_setclock(&ca, CLOCK_MONOTONIC);
        pthread_cond_init(&c->serverEvent, &ca);
        pthread_cond_init(&c->clientEvent, &ca);
        pthread_condattr_destroy(&ca);
        c->version = kProtocolVersion;
        c->capacity = capacity;
        c->headerSize = kHeaderSize;
        Block()->serverPid = m_pid;
        // The magic word goes last: a client that sees it sees the rest.
        __atomic_store_n(&c->magic, kMagic, __ATOMIC_RELEASE);
        return;
    }

    m_object = name;
    if (!IsChannelName(name)) {
        Fail("\"" + name + "\" names no frame-serving channel", EINVAL);
        return;
    }
    int fd = shm_open(name.c_str(), O_RDWR | O_CLOEXEC, 0);
    if (fd < 0) {
        Fail("Cannot open the channel " + name, errno);
        return;
    }
    // Only a channel of this user, that nobody else may read, is trusted.
    struct stat info {};
    if (fstat(fd, &info) != 0 || info.st_uid != geteuid() || (info.st_mode & 077) != 0 ||
        info.st_size < off_t(MappedSize(0))) {
        close(fd);
        Fail("The channel " + name + " is not a private frame-serving channel", EACCES);
        return;
    }
    m_size = std::size_t(info.st_size);
    void* base = mmap(nullptr, m_size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    const int error = errno;
    close(fd);
    if (base == MAP_FAILED) {
        Fail("Cannot map the channel " + name, error);
        return;
    }
    m_base = static_cast<std::uint8_t*>(base);
    const SControl* c = Control();
    if (Load(c->magic) != kMagic || c->headerSize != kHeaderSize ||
        MappedSize(c->capacity) != m_size) {
        munmap(m_base, m_size);
        m_base = nullptr;
        Fail("The channel " + name + " is not ready or damaged", EPROTO);
        return;
    }
    // The size checked now bounds every copy; the word is not read again.
    m_capacity = c->capacity;
}

CIPC::~CIPC() {
    if (!m_base)
        return;
    SControl* c = Control();
    SBlock* b = Block();
    if (Lock()) {
        if (m_server) {
            b->serverPid = 0;
            c->shutdown = 1;
            pthread_cond_broadcast(&c->serverEvent);
        } else if (b->clientPid == m_pid) {
            b->clientPid = 0;
            c->verdict = kNoClient;
            c->clientPosted = 0;
        }
        pthread_cond_broadcast(&c->clientEvent);
        Unlock();
    }
    // The mutex and the conditions are not destroyed: a partner that died
    // waiting on them would make that wait forever, and the memory goes
    // with the object.
    munmap(m_base, m_size);
    if (m_server)
        shm_unlink(m_object.c_str());
}

bool CIPC::Lock() {
    int r = pthread_mutex_lock(&Control()->mutex);
    if (r == EOWNERDEAD) {
        OwnerDied();
        return true;
    }
    return r == 0;
}

void CIPC::OwnerDied() {
    // The mutex is usable again; whoever held it died. When that was the
    // partner, the channel's words it was writing are not to be trusted, and
    // the client slot is free. (A client that was turned away may have died
    // holding it too: then the partner lives on.)
    pthread_mutex_consistent(&Control()->mutex);
    if (PartnerAlive())
        return;
    m_partnerDied = true;
    if (m_server)
        FreeClientSlot();
}

void CIPC::Unlock() { pthread_mutex_unlock(&Control()->mutex); }

bool CIPC::PartnerAlive() const {
    return ProcessAlive(m_server ? Block()->clientPid : Block()->serverPid);
}

bool CIPC::ProcessAlive(std::uint32_t pid) {
    if (pid == 0 || pid > std::uint32_t(INT_MAX))
        return false;
    if (kill(pid_t(pid), 0) != 0 && errno != EPERM)
        return false;
    // A process that ended but was not reaped yet has ended all the same.
    char path[32];
    std::snprintf(path, sizeof path, "/proc/%u/stat", pid);
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return true;
    char text[256];
    const ssize_t n = read(fd, text, sizeof text - 1);
    close(fd);
    if (n <= 0)
        return true;
    text[n] = 0;
    const char* close = std::strrchr(text, ')');
    return !(close && close[1] == ' ' && close[2] == 'Z');
}

void CIPC::FreeClientSlot() {
    SControl* c = Control();
    Block()->clientPid = 0;
    c->verdict = kNoClient;
    c->clientPosted = 0;
    c->serverPosted = 0;
    pthread_cond_broadcast(&c->serverEvent);
}

void CIPC::WaitSlice(pthread_cond_t* event, std::int64_t deadline) {
    std::int64_t wait = kSliceMs;
    if (deadline >= 0)
        wait = std::max<std::int64_t>(0, std::min<std::int64_t>(wait, deadline - NowMs()));
    timespec until {};
    clock_gettime(CLOCK_MONOTONIC, &until);
    until.tv_sec += time_t(wait / 1000);
    until.tv_nsec += long(wait % 1000) * 1000000L;
    if (until.tv_nsec >= 1000000000L) {
        until.tv_sec += 1;
        until.tv_nsec -= 1000000000L;
    }
    if (pthread_cond_timedwait(event, &Control()->mutex, &until) == EOWNERDEAD)
        OwnerDied();
}

int CIPC::BeginWait(int timeoutMs, std::int64_t& deadline) {
    if (!m_base)
        return kFailed;
    deadline = timeoutMs < 0 ? -1 : NowMs() + timeoutMs;
    if (!Lock())
        return Fail("The channel's mutex failed", EIO);
    return 0;
}

int CIPC::Connect(int timeoutMs, std::uint32_t version) {
    std::int64_t deadline = -1;
    if (const int refused = BeginWait(timeoutMs, deadline))
        return refused;
    SControl* c = Control();
    SBlock* b = Block();
    int result = 0;
    if (m_server) {
        for (;;) {
            m_partnerDied = false;
            if (c->shutdown) {
                result = kShutdown;
                break;
            }
            if (b->clientPid != 0 && c->verdict == kAccepted) {
                result = 1;
                break;
            }
            if (b->clientPid != 0 && c->verdict == kPending) {
                if (c->clientVersion != version || !PartnerAlive()) {
                    // Turned away; the slot is free for the next client.
                    b->clientPid = 0;
                    c->verdict = kRefused;
                    pthread_cond_broadcast(&c->serverEvent);
                } else {
                    c->verdict = kAccepted;
                    c->clientPosted = c->serverPosted = 0;
                    pthread_cond_broadcast(&c->serverEvent);
                    result = 1;
                    break;
                }
            }
            if (deadline >= 0 && NowMs() >= deadline)
                break;
            WaitSlice(&c->clientEvent, deadline);
        }
        Unlock();
        return result;
    }

    if (c->shutdown || b->serverPid == 0) {
        Unlock();
        return c->shutdown ? kShutdown : kPartnerGone;
    }
    if (b->clientPid != 0) {
        // A client that ended without leaving holds the slot no longer.
        if (ProcessAlive(b->clientPid) || b->clientPid == m_pid) {
            Unlock();
            return kBusy;
        }
    }
    b->clientPid = m_pid;
    c->clientVersion = version;
    c->verdict = kPending;
    c->clientPosted = 0;
    pthread_cond_broadcast(&c->clientEvent);
    for (;;) {
        if (c->verdict == kAccepted && b->clientPid == m_pid) {
            result = 1;
            break;
        }
        if (b->clientPid != m_pid) {
            result = kRejected;
            break;
        }
        if (c->shutdown) {
            result = kShutdown;
            break;
        }
        if (m_partnerDied || !PartnerAlive()) {
            result = kPartnerGone;
            break;
        }
        if (deadline >= 0 && NowMs() >= deadline) {
            result = kTimeout;
            break;
        }
        WaitSlice(&c->serverEvent, deadline);
    }
    if (result != 1 && b->clientPid == m_pid) {
        b->clientPid = 0;
        c->verdict = kNoClient;
    }
    Unlock();
    return result;
}

int CIPC::ReceiveWith(int timeoutMs,
                      const std::function<void(const std::uint8_t*, std::uint32_t,
                                               std::uint32_t)>& read) {
    std::int64_t deadline = -1;
    if (const int refused = BeginWait(timeoutMs, deadline))
        return refused;
    SControl* c = Control();
    SBlock* b = Block();
    std::uint32_t& posted = m_server ? c->clientPosted : c->serverPosted;
    int result = kTimeout;
    for (;;) {
        // A message that came is read even when its sender left or shut the
        // channel down afterwards: it may say why.
        if (posted && !m_partnerDied) {
            posted = 0;
            const std::uint32_t length = b->length, value = b->value;
            if (length > m_capacity || value > std::uint32_t(INT_MAX)) {
                result = kBadMessage;
                break;
            }
            read(Data(), length, value);
            result = int(value);
            break;
        }
        if (c->shutdown) {
            result = kShutdown;
            break;
        }
        const bool present = m_server ? b->clientPid != 0 && c->verdict == kAccepted
                                      : b->clientPid == m_pid;
        if (m_partnerDied || !present) {
            result = m_server || m_partnerDied ? kPartnerGone : kRejected;
            break;
        }
        if (!PartnerAlive()) {
            result = kPartnerGone;
            break;
        }
        if (deadline >= 0 && NowMs() >= deadline)
            break;
        WaitSlice(m_server ? &c->clientEvent : &c->serverEvent, deadline);
    }
    if (m_server && result == kPartnerGone) {
        // A client that took over the slot of a dead one keeps it.
        if (c->verdict != kPending)
            FreeClientSlot();
        m_partnerDied = false;
    }
    Unlock();
    return result;
}

int CIPC::Receive(void* buffer, std::uint32_t& size, int timeoutMs) {
    const std::uint32_t room = size;
    return ReceiveWith(timeoutMs, [&](const std::uint8_t* data, std::uint32_t length,
                                      std::uint32_t) {
        if (length > 0 && room > 0)
            std::memcpy(buffer, data, std::min(length, room));
        size = length;
    });
}

bool CIPC::SendWith(std::uint32_t length, std::uint32_t value,
                    const std::function<void(std::uint8_t*)>& fill) {
    if (!m_base || length > m_capacity)
        return false;
    SControl* c = Control();
    SBlock* b = Block();
    if (!Lock())
        return false;
    const bool present = m_server ? b->clientPid != 0 && c->verdict == kAccepted
                                  : b->clientPid == m_pid && !m_partnerDied;
    const bool ok = !c->shutdown && present;
    if (ok) {
        if (fill && length > 0)
            fill(Data());
        b->length = length;
        b->value = value;
        if (m_server) {
            c->serverPosted = 1;
            pthread_cond_broadcast(&c->serverEvent);
        } else {
            c->clientPosted = 1;
            pthread_cond_broadcast(&c->clientEvent);
        }
    }
    Unlock();
    return ok;
}

bool CIPC::Send(const void* data, std::uint32_t length, std::uint32_t value) {
    return SendWith(length, value, [&](std::uint8_t* area) { std::memcpy(area, data, length); });
}

void CIPC::DropClient() {
    if (!m_base || !m_server || !Lock())
        return;
    // A reply already posted stays for the dropped client to read; the next
    // client's acceptance clears it.
    const std::uint32_t posted = Control()->serverPosted;
    FreeClientSlot();
    Control()->serverPosted = posted;
    m_partnerDied = false;
    Unlock();
}

void CIPC::Shutdown() {
    if (!m_base || !Lock())
        return;
    SControl* c = Control();
    c->shutdown = 1;
    pthread_cond_broadcast(&c->serverEvent);
    pthread_cond_broadcast(&c->clientEvent);
    Unlock();
}

bool CIPC::IsShutdown() {
    if (!m_base || !Lock())
        return true;
    const bool down = Control()->shutdown != 0;
    Unlock();
    return down;
}

bool CIPC::HasClient() {
    if (!m_base || !Lock())
        return false;
    const bool present = Block()->clientPid != 0;
    Unlock();
    return present;
}
