#pragma once

#include <mutex>

// Three buffer indices through which one producer thread hands finished
// frames to one consumer: the producer draws into the back buffer and
// publishes it, the consumer reads the front buffer after acquiring the
// latest published one. Neither ever waits for the other's drawing.
class CTripleBuffer {
public:
    // Producer: the back buffer becomes the newest finished one.
    void Publish();
    // Consumer: takes the newest finished buffer as the front one when there
    // is a new one. Returns whether the lock could be taken.
    bool Acquire();

    [[nodiscard]] int Front() const;
    [[nodiscard]] int Back() const;
    [[nodiscard]] bool IsFresh() const;

private:
    mutable std::mutex m_mutex;
    int m_front = 0;
    int m_middle = 1;
    int m_back = 2;
    bool m_fresh = false;
};
