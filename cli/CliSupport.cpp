#include "cli/CliCommands.h"

#include "base/PartFile.h"
#include "base/Settings.h"
#include "project/Album.h"
#include "project/ProjTmpl.h"
#include "project/Slide.h"
#include "project/TextCaption.h"
#include "render/text/CaptionFields.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <iostream>
#include <map>
#include <png.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

void CliFail(const std::string& message, int code) {
    std::cerr << "kelvclip-cli: " << Printable(message) << '\n';
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

bool WideOutput(bool wideOption) {
    return wideOption || GetSetting(Settings::AspRatio) == 1;
}

bool PalOutput(const std::string& standardOption) {
    if (standardOption.empty())
        return GetSetting(Settings::PAL) != 0;
    if (standardOption != "pal" && standardOption != "ntsc")
        CliFail("--standard wants pal or ntsc", kExitUsage);
    return standardOption == "pal";
}

void ParseSize(const std::string& text, int& width, int& height) {
    char x = 0, extra = 0;
    if (std::sscanf(text.c_str(), "%d%c%d%c", &width, &x, &height, &extra) != 3 || x != 'x')
        CliFail("--size wants WxH, for example 720x576", kExitUsage);
    if (width < 1 || height < 1 || width > 8192 || height > 8192)
        CliFail("--size " + text + " is outside 1x1 to 8192x8192", kExitUsage);
}

void CheckOutput(const std::string& output, const std::vector<std::string>& inputs, bool special) {
    // Standard output (often the link /dev/stdout) is where the user sends it.
    if (special && IsStdout(output))
        return;
    struct stat out {};
    if (lstat(output.c_str(), &out) != 0)
        return; // a new file
    if (S_ISLNK(out.st_mode))
        CliFail(output + ": is a symbolic link; give the path of the file itself");
    if (S_ISDIR(out.st_mode))
        CliFail(output + ": is a folder; give a file name");
    if (!special && !S_ISREG(out.st_mode))
        CliFail(output + ": is not a regular file; give the path of a file to write");
    for (const std::string& input : inputs) {
        struct stat in {};
        if (stat(input.c_str(), &in) == 0 && in.st_dev == out.st_dev && in.st_ino == out.st_ino)
            CliFail(output + ": is one of the inputs (" + input +
                    "); writing it would destroy it");
    }
}

int OpenOutput(const std::string& path) {
    if (IsStdout(path))
        return dup(STDOUT_FILENO);
    int fd =
        open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd < 0)
        CliFail(path + ": cannot be written: " +
                (errno == ELOOP ? std::string("it is a symbolic link") : std::strerror(errno)));
    return fd;
}

bool IsStdout(const std::string& path) {
    if (path == "-")
        return true;
    struct stat out {
    }, file{};
    return fstat(STDOUT_FILENO, &out) == 0 && stat(path.c_str(), &file) == 0 &&
           out.st_dev == file.st_dev && out.st_ino == file.st_ino;
}

void WriteOutputFile(const std::string& path, const void* data, std::size_t size, bool replace) {
    std::string why;
    if (IsStdout(path)) {
        int fd = OpenOutput(path);
        CPartFile::WriteAll(fd, data, size, why);
        if (close(fd) != 0 && why.empty())
            why = std::strerror(errno);
        if (!why.empty())
            CliFail(path + ": cannot be written: " + why);
        return;
    }
    // Written under a temporary name beside the file and renamed into place
    // when complete: a full disk or a failure never leaves a cut file under
    // the name asked for, nor removes what was there.
    CPartFile file;
    if (!file.Create(path, why) || !file.Write(data, size, why) || !file.Commit(replace, why))
        CliFail(path + ": cannot be written: " + why +
                (replace ? "" : "; give --force to replace it"));
}

void WritePng(const std::string& path, int width, int height,
              const std::function<const std::uint8_t*(int)>& row) {
    std::vector<std::uint8_t> bytes;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        CliFail(path + ": cannot be written: the picture cannot be compressed");
    }
    png_set_write_fn(
        png, &bytes,
        [](png_structp p, png_bytep data, png_size_t size) {
            auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(p));
            out->insert(out->end(), data, data + size);
        },
        nullptr);
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
    WriteOutputFile(path, bytes.data(), bytes.size(), true);
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

void ApplyFields(CAlbum& album, const std::vector<std::string>& fields) {
    std::map<std::string, std::string> values;
    for (const std::string& item : fields) {
        std::size_t eq = item.find('=');
        std::string name = item.substr(0, eq);
        if (eq == std::string::npos || !CaptionFields::IsFieldName(name))
            CliFail("--field wants NAME=TEXT, NAME of letters, digits and _ and not a built-in "
                    "field (FILE, DATE, SIZE, DIMENSIONS, DESCRIPTION, SLIDE, SLIDES): " + item,
                    kExitUsage);
        if (!values.emplace(name, item.substr(eq + 1)).second)
            CliFail("--field " + name + " is given twice", kExitUsage);
    }
    if (values.empty())
        return;
    for (int s = 0; s < album.GetSlideCount(); ++s) {
        const CSlide& slide = *album.GetSlide(s);
        for (int c = 0; c < slide.GetCaptionCount(); ++c) {
            std::string& text = slide.GetCaption(c)->m_text.m_text;
            text = CaptionFields::Fill(text, values);
        }
    }
}

std::string Printable(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    char escaped[8];
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (c < 0x20 || c == 0x7F) {
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            out += escaped;
        } else if (c == 0xC2 && next >= 0x80 && next <= 0x9F) {
            // A C1 control in UTF-8 (U+0080 to U+009F): terminals obey these too.
            std::snprintf(escaped, sizeof escaped, "\\u%04X", next);
            out += escaped;
            ++i;
        } else {
            out += char(c);
        }
    }
    return out;
}
