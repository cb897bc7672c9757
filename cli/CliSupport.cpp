#include "cli/CliCommands.h"

#include "project/ProjTmpl.h"

#include <CLI/CLI.hpp>
#include <png.h>

#include <cstdio>
#include <filesystem>
#include <system_error>
#include <unistd.h>
#include <iostream>

void CliFail(const std::string& message, int code) {
    std::cerr << "kelvclip-cli: " << message << '\n';
    throw CLI::RuntimeError(code);
}

void LoadTemplateOrFail(CProjTmpl& tmpl, const std::string& path) {
    // There is no one to ask: old versions are read, and said so.
    auto confirm = [&path](double version) {
        std::cerr << "kelvclip-cli: " << path << ": project version " << version
                  << " is old; converting it\n";
        return true;
    };
    if (!tmpl.Load(path, confirm))
        CliFail(tmpl.GetError().empty() ? path + ": cannot be loaded" : tmpl.GetError());
}

void ParseSize(const std::string& text, int& width, int& height) {
    char x = 0, extra = 0;
    if (std::sscanf(text.c_str(), "%d%c%d%c", &width, &x, &height, &extra) != 3 || x != 'x' ||
        width < 1 || height < 1 || width > 8192 || height > 8192)
        CliFail("--size wants WxH, for example 720x576", kExitUsage);
}

void WritePng(const std::string& path, int width, int height,
              const std::function<const std::uint8_t*(int)>& row) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        CliFail(path + ": cannot be written");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        CliFail(path + ": cannot be written");
    }
    png_init_io(png, file);
    // Frames are written by the hundred: fast compression over small files.
    png_set_compression_level(png, 1);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    // Blue, green, red and an ignored fourth byte: the PNG is opaque.
    png_set_bgr(png);
    png_set_filler(png, 0, PNG_FILLER_AFTER);
    for (int y = 0; y < height; ++y)
        png_write_row(png, row(y));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    if (std::fclose(file) != 0)
        CliFail(path + ": cannot be written");
}

// --replace N=PATH: picture N as the template lists them (from 1).
void ApplyReplacements(CProjTmpl& tmpl, const std::vector<std::string>& replace) {
    std::vector<std::string> pictures = tmpl.ListTemplatePictures(false);
    for (const std::string& item : replace) {
        std::size_t eq = item.find('=');
        int number = 0;
        char extra = 0;
        if (eq == std::string::npos ||
            std::sscanf(item.substr(0, eq).c_str(), "%d%c", &number, &extra) != 1)
            CliFail("--replace wants N=PATH, for example 1=photo.jpg", kExitUsage);
        if (number < 1 || number > int(pictures.size()))
            CliFail("--replace " + item + ": the template has pictures 1 to " +
                        std::to_string(pictures.size()),
                    kExitUsage);
        std::string path = item.substr(eq + 1);
        std::error_code error;
        if (!std::filesystem::is_regular_file(path, error) || access(path.c_str(), R_OK) != 0)
            CliFail(path + ": cannot be read");
        tmpl.SetReplacement(pictures[std::size_t(number - 1)],
                            std::filesystem::absolute(path, error).string());
    }
}

