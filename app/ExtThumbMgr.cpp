#include "app/ExtThumbMgr.h"

#include "app/ExtThumbCache.h"
#include "base/Event.h"
#include "base/ThreadName.h"
#include "media/MediaKind.h"

#include <QMetaObject>
#include <QObject>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <system_error>

namespace {

std::atomic<int> g_liveWorkers{0};

// A file whose content is read and is neither a picture nor a clip (a text, a
// sound) gets no thumbnail without troubling the cache; for anything else the
// cache decides, answering null for what it cannot make.
bool MayHaveThumbnail(const std::string& path) {
    const CMediaKind::SFacts facts = CMediaKind::Probe(path);
    return facts.kind == EMediaKind::kPicture || facts.kind == EMediaKind::kClip || !facts.readable;
}

// A thumbnail as an image the list can show (0xffRRGGBB in memory order
// blue, green, red, 255: the bitmap's own order, made opaque).
QImage ToImage(PLBmp& thumb) {
    const int w = thumb.GetWidth(), h = thumb.GetHeight();
    QImage image(w, h, QImage::Format_RGB32);
    if (image.isNull())
        return image;
    for (int y = 0; y < h; ++y) {
        std::uint8_t* dst = image.scanLine(y);
        std::memcpy(dst, thumb.GetLineArray()[y], std::size_t(w) * 4);
        for (int x = 0; x < w; ++x)
            dst[4 * x + 3] = 255;
    }
    return image;
}

} // namespace

// What one run of the worker uses; shared by the worker thread, the manager
// and every delivery still queued, so it outlives whichever lets go first.
struct CExtThumbMgr::SRun {
    std::atomic<bool> stop{false};
    CEvent started{true, false};
    CEvent done{true, false};
    std::map<int, std::string> work;
    std::shared_ptr<CExtThumbCache> cache;
    Deliver deliver;

    std::mutex postLock; // held while posting, so a detached window is never posted to
    QObject* window = nullptr; // guarded by postLock

    // Queues a delivery on the window's thread unless the run was stopped or
    // cut off from its window.
    void Post(const std::shared_ptr<SRun>& self, int item, const std::string& path, QImage thumb) {
        std::lock_guard lock(postLock);
        if (!window || stop)
            return;
        QMetaObject::invokeMethod(
            window,
            [self, item, path, thumb = std::move(thumb)] {
                // Runs on the window's thread, which is also the one that
                // stops runs, so a stopped run delivers nothing more.
                if (!self->stop)
                    self->deliver(item, path, thumb);
            },
            Qt::QueuedConnection);
    }
};

CExtThumbMgr::CExtThumbMgr(std::shared_ptr<CExtThumbCache> cache)
    : m_cache(cache ? std::move(cache) : CExtThumbCache::GetDefault()) {}

CExtThumbMgr::~CExtThumbMgr() { Stop(0); }

int CExtThumbMgr::GetLiveWorkers() { return g_liveWorkers.load(); }

bool CExtThumbMgr::Start(QObject* window, const std::map<int, std::string>& work,
                         Deliver deliver) {
    Stop(3000);
    if (!window || !deliver)
        return false;
    auto run = std::make_shared<SRun>();
    run->work = work;
    run->cache = m_cache;
    run->deliver = std::move(deliver);
    run->window = window;
    ++g_liveWorkers;
    try {
        m_thread = std::thread(&CExtThumbMgr::Work, run);
    } catch (const std::system_error&) {
        --g_liveWorkers;
        return false;
    }
    m_run = std::move(run);
    m_run->started.Wait();
    return true;
}

bool CExtThumbMgr::Stop(int timeoutMs) {
    if (!m_run)
        return true;
    m_run->stop = true;
    using std::chrono::milliseconds;
    bool ended = m_run->done.WaitFor(milliseconds(100)) ||
                 m_run->done.WaitFor(milliseconds(std::max(timeoutMs, 0)));
    if (ended) {
        m_thread.join();
    } else {
        // The worker is busy making a thumbnail. It keeps what it shares and
        // ends by itself; from now on it posts nothing.
        std::lock_guard lock(m_run->postLock);
        m_run->window = nullptr;
        m_thread.detach();
    }
    m_run.reset();
    return ended;
}

void CExtThumbMgr::Work(std::shared_ptr<SRun> run) {
    SetThreadName("kv-thumbs");
    run->started.Set();
    for (int pass = 0; pass < 2 && !run->stop; ++pass) {
        for (const auto& [item, path] : run->work) {
            if (run->stop)
                break;
            std::unique_ptr<PLAnyBmp> thumb;
            if (!path.empty() && MayHaveThumbnail(path))
                thumb = pass == 0 ? run->cache->GetCachedThumbnail(path)
                                  : run->cache->GetThumbnail(path);
            if (run->stop)
                break;
            if (thumb)
                run->Post(run, item, path, ToImage(*thumb));
            else if (pass == 1)
                run->Post(run, item, path, QImage());
        }
    }
    run->done.Set();
    // Whatever the run holds is released here, before the thread counts as gone.
    run.reset();
    --g_liveWorkers;
}
