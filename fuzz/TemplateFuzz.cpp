// Feeds arbitrary bytes to the template loader as a package file, then uses
// what loaded the way the wizard does.
#include "project/Album.h"
#include "project/ProjTmpl.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = "/tmp/kv-fuzz-" + std::to_string(getpid()) + ".vez";
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    CProjTmpl tmpl;
    if (tmpl.Load(path, [](double) { return true; })) {
        for (const std::string& picture : tmpl.ListTemplatePictures(false)) {
            std::vector<std::uint8_t> bytes;
            tmpl.LoadAsset(picture, bytes);
        }
        CAlbum album;
        tmpl.ApplyTo(album, true);
    }
    return 0;
}
