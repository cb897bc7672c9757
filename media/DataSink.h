#pragma once

#include <cstddef>
#include <cstdint>

// Where an encoder writes its bytes.
class PLDataSink {
public:
    virtual ~PLDataSink() = default;
    // Writes count bytes; returns the number written (0 when out of room).
    virtual std::size_t WriteNBytes(std::size_t count, const void* data) = 0;
};
