#pragma once

#include <cstddef>
#include <cstdint>

// The masks compiled into the module: the bytes of each mask picture (JPEG or
// GIF) under its resource number, in ascending order of the numbers. The
// table is generated at build time by kv-make-masks (tools/).
namespace maskfx {

struct SMaskResource {
    int id;
    const std::uint8_t* data;
    std::size_t size;
};

inline constexpr int kMaskResourceCount = 21;

extern const SMaskResource kMaskResources[kMaskResourceCount];

} // namespace maskfx
