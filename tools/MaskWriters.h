#pragma once

#include "tools/GreyCanvas.h"

#include <cstdint>
#include <string>
#include <vector>

// The files the mask generator writes. Each returns false with a message on
// stderr when it fails.
namespace maskart {

// A one-channel (greyscale) baseline JPEG file's bytes.
bool EncodeJpeg(const SGreyImage& image, int quality, std::vector<std::uint8_t>& bytes);
// A GIF file's bytes: one picture over a 256-entry grey palette.
bool EncodeGif(const SGreyImage& image, std::vector<std::uint8_t>& bytes);
// A greyscale PNG file, for looking at the artwork.
bool WritePng(const SGreyImage& image, const std::string& path);
// Writes bytes to a file as they are.
bool WriteFile(const std::string& path, const std::string& text);

} // namespace maskart
