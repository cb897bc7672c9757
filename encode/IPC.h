#pragma once

#include <pthread.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// One frame-serving channel between one server and one client process: a
// POSIX shared-memory object of mode 0600 under a random name, holding a
// process-shared mutex, two condition variables that stand for the server's
// and the client's events, and a message block (the two process ids, the
// message value, the data length and the data area). Requests and replies
// take turns in the one data area: a side sends, the other receives, then
// answers.
//
// Only the server creates a channel; a client opens it by the object name,
// which the server writes into the placeholder file it names to the client.
// A second client is turned away while one is connected, and a client that
// announces another protocol version is rejected. Every wait is cut into
// slices in which the partner's process is checked: a side whose partner has
// died (or dies holding the mutex) stops waiting instead of hanging.
class CIPC {
public:
    // The version a client announces and the server expects.
    static constexpr std::uint32_t kProtocolVersion = 1;
    // "KVFS" read as a little-endian word.
    static constexpr std::uint32_t kMagic = 0x5346564B;
    // Offset of the message block from the start of the object.
    static constexpr std::uint32_t kHeaderSize = 256;
    // The longest wait between two looks at the partner and the shutdown flag.
    static constexpr int kSliceMs = 200;

    // What Receive and Connect return besides a message value or 1.
    enum EStatus : int {
        kTimeout = -1,     // nothing came within the time asked
        kShutdown = -2,    // the channel was shut down
        kPartnerGone = -3, // the partner's process ended or left the channel
        kBadMessage = -4,  // a length beyond the data area, or a broken header
        kRejected = -5,    // the server turned this client away
        kBusy = -6,        // another client is connected
        kFailed = -7,      // the mutex or the mapping failed
    };
    // The client's verdict word.
    enum EVerdict : std::uint32_t { kNoClient = 0, kPending = 1, kAccepted = 2, kRefused = 3 };

    // The control words in front of the message block. Written by the
    // server when it creates the channel; the words below the mutex change
    // only under the mutex.
    struct SControl {
        std::uint32_t magic;         // kMagic once the channel is ready
        std::uint32_t version;       // the server's protocol version
        std::uint32_t capacity;      // bytes of the data area
        std::uint32_t headerSize;    // kHeaderSize
        std::uint32_t clientVersion; // what the connecting client announced
        std::uint32_t verdict;       // EVerdict of the client slot
        std::uint32_t serverPosted;  // a server message waits for the client
        std::uint32_t clientPosted;  // a client message waits for the server
        std::uint32_t shutdown;      // set once; every wait then ends
        std::uint32_t reserved[7];
        pthread_mutex_t mutex;       // robust and process-shared
        pthread_cond_t serverEvent;  // the server posted or answered a client
        pthread_cond_t clientEvent;  // the client arrived or posted
    };
    // The message block at kHeaderSize (little-endian 32-bit words).
    struct SBlock {
        std::uint32_t serverPid; // 0 when none
        std::uint32_t clientPid; // 0 when none
        std::uint32_t value;     // message value
        std::uint32_t length;    // data length in bytes
        // the data area follows
    };
    static_assert(sizeof(SControl) <= kHeaderSize, "the control words fit before the block");

    // A server creates a new channel with a data area of capacity bytes; a
    // client opens the channel of that object name ("/kvclip-" and 32
    // hexadecimal digits). Failure leaves an error set (see Ok).
    CIPC(const std::string& name, std::uint32_t capacity, bool isServer);
    CIPC(const CIPC&) = delete;
    CIPC& operator=(const CIPC&) = delete;
    // Leaves the channel (the own process id is cleared and the partner
    // woken); the server also removes the object's name.
    ~CIPC();

    [[nodiscard]] bool Ok() const { return m_base != nullptr; }
    [[nodiscard]] int ErrorCode() const { return m_errno; }
    [[nodiscard]] const std::string& ErrorText() const { return m_errorText; }
    // The object's name, for the client (the placeholder holds it).
    [[nodiscard]] const std::string& ObjectName() const { return m_object; }
    [[nodiscard]] std::uint32_t Capacity() const { return m_capacity; }

    // Server: waits up to timeoutMs for a client, checks the version it
    // announced and accepts or rejects it. Client: takes the client slot
    // (kBusy when taken), announces version and waits up to timeoutMs for
    // the verdict. 1 when connected, 0 when nobody came in time (server), a
    // negative EStatus otherwise.
    int Connect(int timeoutMs, std::uint32_t version = kProtocolVersion);
    // Waits up to timeoutMs (-1: without limit) for the partner's message,
    // then copies min(length, size) bytes into buffer, sets size to the
    // length and returns the message value (>= 0). A negative EStatus on
    // failure. A length beyond the data area is kBadMessage.
    int Receive(void* buffer, std::uint32_t& size, int timeoutMs);
    // The same, with the data handed to read in place (under the mutex).
    int ReceiveWith(int timeoutMs,
                    const std::function<void(const std::uint8_t* data, std::uint32_t length,
                                             std::uint32_t value)>& read);
    // Writes length, value and data and wakes the partner. False when length
    // exceeds the data area, the channel is shut down or the partner is gone.
    bool Send(const void* data, std::uint32_t length, std::uint32_t value);
    // The same, with the data written in place by fill (under the mutex).
    bool SendWith(std::uint32_t length, std::uint32_t value,
                  const std::function<void(std::uint8_t* data)>& fill);
    // Server: turns the connected client away (a request that broke the
    // protocol); the slot is free for another client afterwards.
    void DropClient();
    // Sets the shutdown flag; every wait of either side ends.
    void Shutdown();
    [[nodiscard]] bool IsShutdown();
    // Server: whether a client holds the slot now.
    [[nodiscard]] bool HasClient();

    // The mapped object, for tests that play a misbehaving partner.
    [[nodiscard]] SControl* Control() const { return reinterpret_cast<SControl*>(m_base); }
    [[nodiscard]] SBlock* Block() const {
        return reinterpret_cast<SBlock*>(m_base + kHeaderSize);
    }
    [[nodiscard]] std::uint8_t* Data() const { return m_base + kHeaderSize + sizeof(SBlock); }

    // The object size of a data area of capacity bytes.
    static std::size_t MappedSize(std::uint32_t capacity) {
        return kHeaderSize + sizeof(SBlock) + capacity;
    }
    // Whether a name has the form the server gives its objects.
    static bool IsChannelName(const std::string& name);

private:
    // Locks the mutex; when its owner died holding it, the mutex is made
    // usable again and the partner counts as gone. False when locking failed.
    bool Lock();
    void Unlock();
    // After a lock or wait found the mutex's owner dead.
    void OwnerDied();
    // Whether the partner's process still exists (called under the mutex).
    bool PartnerAlive() const;
    // Whether a process exists and has not ended (a zombie has).
    static bool ProcessAlive(std::uint32_t pid);
    // Clears the client slot (server, under the mutex).
    void FreeClientSlot();
    // Waits on the condition for a slice of at most kSliceMs or until the
    // deadline (steady clock, in ms; -1 none).
    void WaitSlice(pthread_cond_t* event, std::int64_t deadline);
    int Fail(const std::string& what, int code);
    // The start of a wait: the channel mapped, the deadline (steady clock, in
    // ms; -1 none) worked out and the mutex held. 0 then, else the result
    // the wait returns.
    int BeginWait(int timeoutMs, std::int64_t& deadline);

    const bool m_server;
    std::uint32_t m_capacity = 0;
    std::uint32_t m_pid = 0;
    std::string m_object;
    std::uint8_t* m_base = nullptr;
    std::size_t m_size = 0;
    bool m_partnerDied = false; // the mutex's owner died (seen under the mutex)
    int m_errno = 0;
    std::string m_errorText;
};
