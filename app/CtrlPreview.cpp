#include "app/CtrlPreview.h"

#include "render/frame/ImageView.h"

#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QThread>

#include <algorithm>
#include <cstdint>

namespace {

constexpr int kAudioInterval = 50;   // ms: 20 frames per second
constexpr int kRedrawInterval = 80;  // ms
constexpr int kRedrawFrames = 100;
constexpr int kResizeDelay = 200;    // ms of quiet before a rebuild

} // namespace

CCtrlPreview::CCtrlPreview(QWidget* parent)
    : QWidget(parent), m_audioClock(nullptr, false, this), m_redrawClock(true) {
    // Every pixel is painted from the buffer (black where there is none).
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_audioClock.SetInterval(kAudioInterval);
    m_redrawClock.SetInterval(kRedrawInterval);
    m_redrawClock.SetFrameCount(kRedrawFrames);
    m_redrawClock.StartEvent(this, "kv-preview-draw");
    m_resizeTimer.setSingleShot(true);
    m_resizeTimer.setInterval(kResizeDelay);
    connect(&m_resizeTimer, &QTimer::timeout, this, &CCtrlPreview::OnResizeTimer);
}

CCtrlPreview::~CCtrlPreview() {
    // No clock thread may post to the window or run its worker once it goes.
    m_resizeTimer.stop();
    m_redrawClock.Stop();
    m_audioClock.Stop();
    m_playing = false;
    m_redrawClock.Shutdown();
}

// --- playing -------------------------------------------------------------------

void CCtrlPreview::Play() {
    m_audioClock.Start();
    m_playing = m_redrawClock.Start() != 0;
}

void CCtrlPreview::Pause(bool notifyOwner, int value) {
    const bool wasPlaying = m_playing;
    if (m_playing) {
        m_redrawClock.Stop();
        m_playing = false;
    } else {
        notifyOwner = false;
    }
    m_audioClock.Stop();
    // The redraw clock last ran up to one interval ago: show where it stopped.
    if (wasPlaying)
        Redraw(true);
    if (notifyOwner)
        emit Ended(0, value);
}

void CCtrlPreview::Seek(int frame) {
    const int count = m_audioClock.GetFrameCount();
    if (count <= 0)
        return;
    frame = std::clamp(frame, 0, count - 1);
    if (frame == m_audioClock.GetCurrentFrame())
        return;
    m_audioClock.SetFrame(frame, 1);
    Redraw(true);
}

const CImageView* CCtrlPreview::GetCurrentBitmap(bool) { return nullptr; }

QSize CCtrlPreview::GetRenderSize() const { return {}; }

void CCtrlPreview::Rebuild(QSize) {}

QSize CCtrlPreview::RenderSizeFor(QSize client) {
    return {std::max(client.width(), kMinSide), std::max(client.height(), kMinSide)};
}

// --- pictures ------------------------------------------------------------------

void CCtrlPreview::Redraw(bool renderNow) {
    {
        std::lock_guard render(m_renderLock);
        const int frame = m_audioClock.GetCurrentFrame();
        CopyIntoBuffer(GetCurrentBitmap(renderNow), frame);
    }
    if (QThread::currentThread() == thread())
        update();
    else
        QMetaObject::invokeMethod(this, "update", Qt::QueuedConnection);
}

// The engine's pictures are premultiplied and bottom-up; the buffer is
// top-down and opaque, each pixel as if drawn over black, as the window shows
// it.
void CCtrlPreview::CopyIntoBuffer(const CImageView* view, int frame) {
    std::lock_guard lock(m_bufferLock);
    ++m_stats.redraws;
    if (!view || view->Width() <= 0 || view->Height() <= 0) {
        m_buffer = QImage();
        m_bufferFrame = -1;
        return;
    }
    if (m_buffer.width() != view->Width() || m_buffer.height() != view->Height())
        m_buffer = QImage(view->Width(), view->Height(), QImage::Format_RGB32);
    for (int y = 0; y < view->Height(); ++y) {
        const auto* from = reinterpret_cast<const std::uint32_t*>(view->Row(y));
        auto* to = reinterpret_cast<std::uint32_t*>(m_buffer.scanLine(y));
        for (int x = 0; x < view->Width(); ++x)
            to[x] = from[x] | 0xFF000000u;
    }
    m_bufferFrame = frame;
}

void CCtrlPreview::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    std::lock_guard lock(m_bufferLock);
    if (m_buffer.isNull()) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    // Until a rebuild catches up with a new size, the picture is stretched.
    if (m_buffer.size() == size())
        painter.drawImage(0, 0, m_buffer);
    else
        painter.drawImage(rect(), m_buffer);
    if (m_bufferFrame != m_stats.lastShown) {
        m_stats.lastShown = m_bufferFrame;
        ++m_stats.framesShown;
    }
}

CCtrlPreview::SStats CCtrlPreview::Stats() const {
    std::lock_guard lock(m_bufferLock);
    return m_stats;
}

// --- clocks --------------------------------------------------------------------

void CCtrlPreview::OnEvent() {
    const auto start = std::chrono::steady_clock::now();
    Redraw(false);
    const auto took = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - start);
    std::lock_guard lock(m_bufferLock);
    m_stats.worstRedraw = std::max(m_stats.worstRedraw, took);
}

void CCtrlPreview::OnFrame(int frame, int count) {
    {
        std::lock_guard lock(m_bufferLock);
        m_stats.lastMoved = frame;
        m_stats.movedAt = std::chrono::steady_clock::now();
    }
    QMetaObject::invokeMethod(this, "OnPosition", Qt::QueuedConnection, Q_ARG(int, frame),
                              Q_ARG(int, count));
}

void CCtrlPreview::OnEnd() { QMetaObject::invokeMethod(this, "OnEndReached", Qt::QueuedConnection); }

void CCtrlPreview::OnPosition(int frame, int count) { emit PositionChanged(frame, count); }

void CCtrlPreview::OnEndReached() {
    Pause(false);
    emit Ended(1, 0);
}

// --- size ----------------------------------------------------------------------

void CCtrlPreview::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!m_playing && !event->size().isEmpty())
        m_resizeTimer.start();
}

void CCtrlPreview::OnResizeTimer() {
    if (m_playing || size().isEmpty())
        return;
    const QSize wanted = RenderSizeFor(size());
    if (wanted == GetRenderSize())
        return;
    Rebuild(wanted);
    Redraw(true);
}
