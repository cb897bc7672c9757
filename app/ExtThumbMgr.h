#pragma once

#include <QImage>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>

class CExtThumbCache;
class QObject;

// Makes the thumbnails of a list's pictures on a thread of its own and hands
// each one to the list on the list's thread.
//
// The worker runs two passes over its work (item index -> path). The first
// delivers only thumbnails the cache already holds, so they show at once; the
// second makes what is missing and delivers every item, a null image standing
// for a file that has no thumbnail (an empty path, a file that does not
// decode as a picture or clip).
//
// Deliveries are queued calls on the window's thread, so they arrive in the
// order they were made, and only while the run that made them has not been
// stopped: nothing from an earlier run reaches a list that has started a new
// one. A worker that does not end within Stop's timeout is left to finish on
// its own: it is cut off from the window first, shares ownership of the cache
// and of everything else it uses, and ends as soon as its current thumbnail is
// done. No cache lock is ever held while a thumbnail is being made.
class CExtThumbMgr {
public:
    // Called on the window's thread with the item index, the path the
    // thumbnail was made for and the thumbnail (null: none can be made).
    using Deliver = std::function<void(int item, const std::string& path, const QImage& thumb)>;

    // A null cache means the process-wide default cache.
    explicit CExtThumbMgr(std::shared_ptr<CExtThumbCache> cache = nullptr);
    CExtThumbMgr(const CExtThumbMgr&) = delete;
    CExtThumbMgr& operator=(const CExtThumbMgr&) = delete;
    // Stops the worker without waiting beyond the first 100 ms.
    ~CExtThumbMgr();

    // Stops a previous run, then starts the worker on a copy of work and
    // returns once it runs. Does nothing without a window or a deliver
    // function; false then and when no thread could be started.
    bool Start(QObject* window, const std::map<int, std::string>& work, Deliver deliver);
    // Asks the worker to stop and waits 100 ms, then up to timeoutMs more.
    // True when no worker runs any more; false when it was left to finish on
    // its own.
    bool Stop(int timeoutMs);
    [[nodiscard]] bool IsRunning() const { return m_run != nullptr; }

    [[nodiscard]] const std::shared_ptr<CExtThumbCache>& GetCache() const { return m_cache; }
    // The worker threads of every manager still alive, those left to finish
    // on their own included.
    static int GetLiveWorkers();

private:
    struct SRun;
    static void Work(std::shared_ptr<SRun> run);

    std::shared_ptr<CExtThumbCache> m_cache;
    std::shared_ptr<SRun> m_run;
    std::thread m_thread;
};
