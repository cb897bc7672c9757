#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// The masks compiled into the module: the bytes of each mask picture (JPEG or
// GIF) with its resource number and its name, in ascending order of the
// numbers. The table is generated at build time by kv-make-masks (tools/),
// from the table of the masks' artwork.
namespace maskfx {

struct SMaskResource {
    int id;
    const char* name; // the transition's internal and display name
    const std::uint8_t* data;
    std::size_t size;
};

extern const std::span<const SMaskResource> kMaskResources;

} // namespace maskfx
