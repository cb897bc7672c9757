// Feeds arbitrary bytes to the project stream reader.
#include "fuzz/FuzzTargets.h"
#include "project/MainDoc.h"

#include <string>

int kvfuzz::ProjectStream(const std::uint8_t* data, std::size_t size) {
    CMainDoc doc;
    std::string error;
    doc.LoadFromMemory(data, size, error, [](double) { return true; });
    return 0;
}
