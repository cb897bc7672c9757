#pragma once

#include "media/Bmp.h"
#include "media/TextException.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>

// Expects code (and text when given) from a decoder call.
#define EXPECT_PL_ERROR(statement, code, text)                                  \
    do {                                                                        \
        try {                                                                   \
            statement;                                                          \
            ADD_FAILURE() << "no PLTextException from " #statement;             \
        } catch (const PLTextException& e) {                                    \
            EXPECT_EQ(e.GetCode(), code) << e.what();                           \
            if (std::string(text).size()) {                                     \
                EXPECT_STREQ(e.what(), text);                                   \
            }                                                                   \
        }                                                                       \
    } while (0)

inline const std::uint8_t* Bytes(const std::string& s) {
    return reinterpret_cast<const std::uint8_t*>(s.data());
}

// Whether a 32-bit pixel is within tolerance of blue, green, red.
inline ::testing::AssertionResult Near(const std::uint8_t* p, int b, int g, int r, int tol = 24) {
    if (std::abs(p[0] - b) <= tol && std::abs(p[1] - g) <= tol && std::abs(p[2] - r) <= tol)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "pixel " << int(p[0]) << "," << int(p[1]) << ","
                                         << int(p[2]) << " expected " << b << "," << g << ","
                                         << r;
}

inline const std::uint8_t* PixelAt(const PLBmp& bmp, int x, int y) {
    return bmp.GetLineArray()[y] + 4 * x;
}

// Where upright pixel (x, y) lies in the stored picture (w × h stored) for an
// EXIF orientation.
inline std::pair<int, int> StoredOf(int o, int x, int y, int w, int h) {
    switch (o) {
    case 2: return {w - 1 - x, y};
    case 3: return {w - 1 - x, h - 1 - y};
    case 4: return {x, h - 1 - y};
    case 5: return {y, x};
    case 6: return {y, h - 1 - x};
    case 7: return {w - 1 - y, h - 1 - x};
    case 8: return {w - 1 - y, x};
    default: return {x, y};
    }
}
