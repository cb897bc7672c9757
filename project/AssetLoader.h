#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Gives the renderer the bytes of a picture that may live inside a package
// rather than on disk. The renderer asks for every picture it draws before it
// opens the file itself.
class IAssetLoader {
public:
    virtual ~IAssetLoader() = default;
    // Fills data with the file's bytes; false when the loader does not hold it.
    virtual bool LoadAsset(const std::string& path, std::vector<std::uint8_t>& data) = 0;
};
