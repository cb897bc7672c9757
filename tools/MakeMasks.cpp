// Draws the 21 shipped masks of the mask transitions and writes them as the
// C++ source that embeds them into maskfx.so, each encoded in the format the
// module stores it in (JPEG or GIF). Run by the build.
//
//   kv-make-masks --source OUT.cpp     the embedded masks, for the module
//   kv-make-masks --png DIR            each mask as DIR/NNN-Name.png, to look at
//   kv-make-masks --files DIR          each mask as the JPEG or GIF the module holds
#include "tools/MaskArt.h"
#include "tools/MaskWriters.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace maskart;

constexpr int kJpegQuality = 92;

// The encoded bytes of one mask.
bool Encode(const SMaskArt& art, const SGreyImage& image, std::vector<std::uint8_t>& bytes) {
    return art.format == EFormat::kGif ? EncodeGif(image, bytes) : EncodeJpeg(image, kJpegQuality, bytes);
}

SGreyImage Draw(const SMaskArt& art) {
    SGreyImage image(art.width, art.height);
    art.draw(image);
    return image;
}

// A file name for a mask: its number and name without spaces.
std::string FileName(const SMaskArt& art, const char* extension) {
    std::string name = std::to_string(art.resource) + "-";
    for (const char* c = art.name; *c; ++c)
        if (*c != ' ')
            name += *c;
    return name + extension;
}

std::string Source(const std::vector<std::vector<std::uint8_t>>& encoded) {
    std::string out =
        "// Made by kv-make-masks (tools/MakeMasks.cpp) at build time: the shipped\n"
        "// masks as the module holds them. Not to be edited.\n"
        "#include \"plugins/maskfx/MaskResources.h\"\n\nnamespace maskfx {\nnamespace {\n\n";
    char hex[8];
    for (int k = 0; k < kMaskCount; ++k) {
        out += "// " + std::string(kMasks[k].name) + "\n";
        out += "const std::uint8_t kMask" + std::to_string(kMasks[k].resource) + "[] = {";
        const std::vector<std::uint8_t>& bytes = encoded[std::size_t(k)];
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            std::snprintf(hex, sizeof hex, "%s0x%02x,", i % 20 ? "" : "\n", bytes[i]);
            out += hex;
        }
        out += "\n};\n\n";
    }
    out += "const SMaskResource kTable[] = {\n";
    for (int k = 0; k < kMaskCount; ++k) {
        const std::string id = std::to_string(kMasks[k].resource);
        out += "    {" + id + ", \"" + kMasks[k].name + "\", kMask" + id + ", sizeof kMask" + id +
               "},\n";
    }
    out += "};\n\n} // namespace\n\nconst std::span<const SMaskResource> kMaskResources = kTable;\n\n"
           "} // namespace maskfx\n";
    return out;
}

int Usage() {
    std::fprintf(stderr, "usage: kv-make-masks [--source OUT.cpp] [--png DIR] [--files DIR]\n");
    return 64;
}

} // namespace

int main(int argc, char** argv) {
    std::string source, pngFolder, fileFolder;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--source") == 0 && hasValue)
            source = argv[++i];
        else if (std::strcmp(argv[i], "--png") == 0 && hasValue)
            pngFolder = argv[++i];
        else if (std::strcmp(argv[i], "--files") == 0 && hasValue)
            fileFolder = argv[++i];
        else
            return Usage();
    }
    if (source.empty() && pngFolder.empty() && fileFolder.empty())
        return Usage();

    std::vector<std::vector<std::uint8_t>> encoded(kMaskCount);
    for (int k = 0; k < kMaskCount; ++k) {
        const SMaskArt& art = kMasks[k];
        const SGreyImage image = Draw(art);
        if (!pngFolder.empty() && !WritePng(image, pngFolder + "/" + FileName(art, ".png")))
            return 1;
        if (!Encode(art, image, encoded[std::size_t(k)]))
            return 1;
        if (!fileFolder.empty()) {
            const std::vector<std::uint8_t>& bytes = encoded[std::size_t(k)];
            const char* extension = art.format == EFormat::kGif ? ".gif" : ".jpg";
            if (!WriteFile(fileFolder + "/" + FileName(art, extension), std::string(bytes.begin(), bytes.end())))
                return 1;
        }
    }
    if (!source.empty() && !WriteFile(source, Source(encoded)))
        return 1;
    return 0;
}
