// Pixel values of the strip and cell transitions at named frames, from their formulas.
#include "tests/plugins/transfx/TransitionFixture.h"

#include <gtest/gtest.h>
