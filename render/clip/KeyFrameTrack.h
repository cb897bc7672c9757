#pragma once

#include <array>
#include <mutex>
#include <vector>

// One animated value of a clip (position and scale have two components,
// rotation and opacity one) as segments between consecutive key-frames. A
// segment eases from its start value A at frame f0 to its end value B at
// frame f1 with one of four curves.
class CKeyFrameTrack {
public:
    using Value = std::array<double, 2>;
    enum EEasing : int { kLinear = 0, kSmooth = 1, kEaseIn = 2, kEaseOut = 3 };

    // The eased fraction for g in [0, 1]: 0 linear, 1 (sin((g - 0.5) pi) + 1) / 2,
    // 2 g squared, 3 1 - (g - 1) squared.
    static double Ease(int easing, double g);

    explicit CKeyFrameTrack(Value initial = {0, 0}) : m_initial(initial), m_last(initial) {}

    // Two key-frames at frames 0 and 1, both at the initial value, linear.
    void Reset();
    // The empty range [0, -1).
    void Clear();
    // Moves key-frame k (0 = first); refused unless the frame lies strictly
    // between its neighbours' frames. The segment after it takes the easing.
    bool SetKey(std::size_t k, int frame, Value value, int easing);
    // Splits the segment after key-frame k at the frame; refused unless the
    // frame lies strictly inside that segment. The second part takes the easing.
    bool InsertAfter(std::size_t k, int frame, Value value, int easing);

    // The value at a clip frame; outside the range the last value returned.
    Value Evaluate(int frame);
    [[nodiscard]] int RangeBegin() const;
    [[nodiscard]] int RangeEnd() const; // exclusive
    [[nodiscard]] std::size_t KeyCount() const;

private:
    struct SSegment {
        int f0, f1;
        Value a, b;
        int easing;
    };

    mutable std::mutex m_mutex;
    Value m_initial;
    Value m_last;
    std::vector<SSegment> m_segments;
    std::size_t m_cursor = 0;
};
