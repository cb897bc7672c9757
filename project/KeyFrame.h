#pragma once

// Pan and zoom of a media item at one moment of its time on screen.
struct CKeyFrame {
    enum EEasing : int { kLinear = 0, kSmooth = 1, kEaseIn = 2, kEaseOut = 3 };

    double m_time = 0.0;     // 0 = start of the item's time on screen, 1 = its end
    double m_x = 0.0;        // position
    double m_y = 0.0;
    double m_scale = 1.0;    // 1 = fitted size, both axes
    double m_opacity = 1.0;  // 1 = opaque
    double m_rotation = 0.0; // in half turns
    int m_easing = kLinear;  // easing of the segment that starts here
    int m_extra = 0;         // kept and stored, not used for drawing

    friend bool operator==(const CKeyFrame&, const CKeyFrame&) = default;
};
