// Pixel values of the card transitions at named frames, from their formulas.
#include "tests/plugins/transfx/TransitionFixture.h"

#include <gtest/gtest.h>
