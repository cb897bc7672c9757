#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// The bodies of the fuzz targets. Each takes one input as libFuzzer hands it
// over and returns 0; a fault shows as a crash or a sanitizer report. The
// libFuzzer programs (FuzzMain.cpp) call them, and so does the test that
// replays every input kept under tests/data/fuzz/<target>/, so the ordinary
// test build runs them too.
namespace kvfuzz {

// The project stream reader, on the bytes of a stream.
int ProjectStream(const std::uint8_t* data, std::size_t size);
// The template loader, on the bytes of a package file, then its pictures
// and the album as the wizard applies it.
int Template(const std::uint8_t* data, std::size_t size);
// The picture decoders from memory: the first byte picks a requested size
// (so reduced JPEG decoding is reached too), the rest is the file.
int PictureDecoder(const std::uint8_t* data, std::size_t size);
// The album description reader, on the text of a description, and the
// description written back from what it read.
int AlbumJson(const std::uint8_t* data, std::size_t size);
// The sound decoders, through a file: the first byte picks the file name's
// extension (and so the decoder), the rest is the file.
int AudioDecoder(const std::uint8_t* data, std::size_t size);

struct STarget {
    const char* name; // the libFuzzer program, and its folder under tests/data/fuzz
    int (*body)(const std::uint8_t* data, std::size_t size);
};

// Every target, in a fixed order.
std::span<const STarget> Targets();

} // namespace kvfuzz
