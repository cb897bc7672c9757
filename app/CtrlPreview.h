#pragma once

#include "render/clock/TimerAudio.h"
#include "render/clock/TimerProcs.h"
#include "render/clock/TimerRealtime.h"

#include <QImage>
#include <QSize>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <mutex>

class CImageView;

// A window that plays the pictures of a frame clock. Two clocks drive it: the
// audio clock (50 ms, 20 frames per second), which follows the sound and whose
// frames are every frame number the preview speaks of, and a looping redraw
// clock (80 ms, 100 frames) whose one worker copies the current picture into
// the window's buffer without forcing a render. Painting happens on the
// user-interface thread only: the clocks' threads reach the window through
// queued calls, as posted window messages would.
//
// Locks: the render lock guards whatever makes pictures (a subclass's
// director) and is taken before the buffer lock, which guards the buffer the
// paint reads. Neither is held while a clock is stopped or waited for.
class CCtrlPreview : public QWidget, protected ITimerEventProc, protected ITimerNotify {
    Q_OBJECT

public:
    // The smallest picture rendered: each side at least this many pixels.
    static constexpr int kMinSide = 10;

    explicit CCtrlPreview(QWidget* parent = nullptr);
    ~CCtrlPreview() override;

    // Starts the audio clock (which starts the sound), then the redraw clock.
    virtual void Play();
    // Stops both clocks. With notifyOwner, when it was playing, the owner hears
    // Ended(0, value).
    virtual void Pause(bool notifyOwner = false, int value = 0);
    // The picture of the audio clock's current frame, or null; renderNow waits
    // until the slides it shows are drawn. Called under the render lock.
    virtual const CImageView* GetCurrentBitmap(bool renderNow);
    // The size pictures are made at; empty when nothing makes them.
    [[nodiscard]] virtual QSize GetRenderSize() const;
    // Makes pictures at a new size from now on.
    virtual void Rebuild(QSize size);

    // Moves to a frame, clamped to the clock's frames, and shows it.
    void Seek(int frame);
    // Copies the current picture into the window's buffer and repaints; from
    // any thread.
    void Redraw(bool renderNow);

    [[nodiscard]] bool IsPlaying() const { return m_playing; }
    [[nodiscard]] int GetCurrentFrame() const { return m_audioClock.GetCurrentFrame(); }
    [[nodiscard]] int GetFrameCount() const { return m_audioClock.GetFrameCount(); }
    [[nodiscard]] double GetFrameRate() const { return m_audioClock.GetFrameRate(); }
    [[nodiscard]] const CTimerAudio& AudioClock() const { return m_audioClock; }
    [[nodiscard]] const CTimerRealtime& RedrawClock() const { return m_redrawClock; }

    // What the window did, for tests and benchmarks.
    struct SStats {
        int redraws = 0;     // pictures copied into the buffer
        int framesShown = 0; // distinct audio-clock frames painted
        int lastShown = -1;  // the frame painted last (-1: none yet)
        int lastMoved = -1;  // the frame the audio clock moved to last while ticking
        std::chrono::steady_clock::time_point movedAt{}; // and when
        std::chrono::microseconds worstRedraw{0}; // the redraw clock's slowest picture
    };
    [[nodiscard]] SStats Stats() const;
    // Waits until the audio clock's workers (the director's renderers) have
    // drawn its current frame; false when the wait was cut short.
    bool WaitUntilDrawn() { return m_audioClock.WaitForWorkers(); }

signals:
    // The audio clock moved to frame (of count) while playing.
    void PositionChanged(int frame, int count);
    // Playing stopped: atEnd 1 when the album ran out, 0 when the owner paused
    // and asked to be told (value is what it passed).
    void Ended(int atEnd, int value);

protected:
    // A client size with each side raised to kMinSide.
    [[nodiscard]] static QSize RenderSizeFor(QSize client);
    CTimerAudio& MutableAudioClock() { return m_audioClock; }
    std::mutex& RenderLock() { return m_renderLock; }

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

    // The redraw clock's worker: redraws from the current picture as it is.
    void OnEvent() override;
    // The audio clock, on its own thread.
    void OnEnd() override;
    void OnFrame(int frame, int count) override;

private:
    // What the clocks post to the window, run on its thread. Posted by name,
    // so the queued call is made, run and freed inside Qt, which the thread
    // sanitizer cannot follow into.
    Q_INVOKABLE void OnPosition(int frame, int count);
    Q_INVOKABLE void OnEndReached();
    void OnResizeTimer();
    void CopyIntoBuffer(const CImageView* view, int frame);

    std::mutex m_renderLock;
    mutable std::mutex m_bufferLock;
    QImage m_buffer; // opaque copy of the last picture, top-down
    int m_bufferFrame = -1;
    SStats m_stats;

    bool m_playing = false;
    QTimer m_resizeTimer;
    CTimerAudio m_audioClock;
    CTimerRealtime m_redrawClock;
};
