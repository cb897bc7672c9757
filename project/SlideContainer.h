#pragma once

#include <vector>

class CSlide;

// What a slide asks of the album that holds it.
class ISlideContainer {
public:
    // The length of the transition that follows the slide, in seconds.
    [[nodiscard]] virtual double GetTransitionAfter(const CSlide* slide) const = 0;
    // Appends all slides, in order.
    virtual void GetSlides(std::vector<CSlide*>& slides) const = 0;
    // The slide's index, or -1 when it is not in the container.
    [[nodiscard]] virtual int IndexOfSlide(const CSlide* slide) const = 0;
    // Where iteration over the slides starts: 0, or -1 when there are none.
    [[nodiscard]] virtual int GetStartPosition() const = 0;

protected:
    ~ISlideContainer() = default;
};
