// Feeds arbitrary bytes to the template loader as a package file, then uses
// what loaded the way the wizard does.
#include "fuzz/FuzzFile.h"
#include "fuzz/FuzzTargets.h"
#include "project/Album.h"
#include "project/ProjTmpl.h"

#include <string>
#include <vector>

int kvfuzz::Template(const std::uint8_t* data, std::size_t size) {
    const CFuzzFile file(data, size, "vez");
    if (file.Path().empty())
        return 0;
    CProjTmpl tmpl;
    if (tmpl.Load(file.Path(), [](double) { return true; })) {
        for (const std::string& picture : tmpl.ListTemplatePictures(false)) {
            std::vector<std::uint8_t> bytes;
            tmpl.LoadAsset(picture, bytes);
        }
        CAlbum album;
        tmpl.ApplyTo(album, true);
    }
    return 0;
}
