// Makes the media of the demo template: pictures of different sizes and
// aspect ratios (gradients, shapes and a large number each, so a viewer can
// tell them apart and see them move), a music track and a chime.
//
//   kv-make-demo-media OUTPUT_FOLDER
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

struct SPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;

    SPicture(int w, int h) : width(w), height(h), rgba(std::size_t(w) * h * 4, 255) {}

    void Put(int x, int y, double r, double g, double b, double a = 1.0) {
        if (x < 0 || y < 0 || x >= width || y >= height)
            return;
        std::uint8_t* p = &rgba[(std::size_t(y) * width + x) * 4];
        auto mix = [a](std::uint8_t old, double value) {
            return std::uint8_t(std::lround(old * (1 - a) + std::clamp(value, 0.0, 255.0) * a));
        };
        p[0] = mix(p[0], r);
        p[1] = mix(p[1], g);
        p[2] = mix(p[2], b);
    }
};

// A colour from a hue (0..1) at full saturation.
void Hue(double h, double& r, double& g, double& b) {
    h = h - std::floor(h);
    r = 255 * std::clamp(std::fabs(h * 6 - 3) - 1, 0.0, 1.0);
    g = 255 * std::clamp(2 - std::fabs(h * 6 - 2), 0.0, 1.0);
    b = 255 * std::clamp(2 - std::fabs(h * 6 - 4), 0.0, 1.0);
}

// Digits of a 5 x 7 bitmap font, one row per byte, bit 4 leftmost.
const std::uint8_t kDigits[10][7] = {
    {14, 17, 19, 21, 25, 17, 14}, {4, 12, 4, 4, 4, 4, 14},   {14, 17, 1, 2, 4, 8, 31},
    {31, 2, 4, 2, 1, 17, 14},     {2, 6, 10, 18, 31, 2, 2},  {31, 16, 30, 1, 1, 17, 14},
    {6, 8, 16, 30, 17, 17, 14},   {31, 1, 2, 4, 8, 8, 8},    {14, 17, 17, 14, 17, 17, 14},
    {14, 17, 17, 15, 1, 2, 12},
};

bool DigitPixel(int digit, int col, int row) {
    return col >= 0 && col < 5 && row >= 0 && row < 7 && (kDigits[digit][row] >> (4 - col)) & 1;
}

// A large digit centred on the picture: white cells with a dark outline.
void DrawNumber(SPicture& pic, int digit) {
    int cell = std::max(4, pic.height * 45 / 100 / 7);
    int left = (pic.width - 5 * cell) / 2, top = (pic.height - 7 * cell) / 2;
    int border = std::max(2, cell / 6);
    for (int y = top - border; y < top + 7 * cell + border; ++y)
        for (int x = left - border; x < left + 5 * cell + border; ++x) {
            int col = (x - left + cell) / cell - 1, row = (y - top + cell) / cell - 1;
            if (DigitPixel(digit, col, row)) {
                pic.Put(x, y, 255, 255, 255);
                continue;
            }
            // Outline: any lit cell within border pixels.
            bool near = false;
            for (int dy = -border; dy <= border && !near; dy += border)
                for (int dx = -border; dx <= border && !near; dx += border)
                    near = DigitPixel(digit, (x + dx - left + cell) / cell - 1,
                                      (y + dy - top + cell) / cell - 1) &&
                           x + dx >= left && y + dy >= top;
            if (near)
                pic.Put(x, y, 20, 20, 20);
        }
}

SPicture MakePicture(int width, int height, int number) {
    SPicture pic(width, height);
    double hue = number * 0.11;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            double r1, g1, b1, r2, g2, b2;
            Hue(hue, r1, g1, b1);
            Hue(hue + 0.35, r2, g2, b2);
            double t = (double(x) / width + double(y) / height) / 2;
            pic.Put(x, y, r1 * (1 - t) * 0.8 + r2 * t * 0.6, g1 * (1 - t) * 0.8 + g2 * t * 0.6,
                    b1 * (1 - t) * 0.8 + b2 * t * 0.6);
        }
    // Shapes: concentric rings around a point off-centre, a grid of small
    // squares so panning shows, and a frame around the edge.
    double cx = width * (0.3 + 0.05 * (number % 5)), cy = height * 0.35;
    double unit = std::min(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            double d = std::hypot(x - cx, y - cy) / unit;
            if (d < 0.45 && std::fmod(d, 0.08) < 0.025)
                pic.Put(x, y, 255, 255, 255, 0.35);
            int grid = int(unit / 10);
            if ((x % grid) < grid / 8 && (y % grid) < grid / 8)
                pic.Put(x, y, 0, 0, 0, 0.3);
            int edge = std::max(3, int(unit / 60));
            if (x < edge || y < edge || x >= width - edge || y >= height - edge)
                pic.Put(x, y, 255, 255, 255);
        }
    DrawNumber(pic, number % 10);
    return pic;
}

bool WritePng(const std::string& path, const SPicture& pic) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(pic.width);
    image.height = png_uint_32(pic.height);
    image.format = PNG_FORMAT_RGBA;
    return png_image_write_to_file(&image, path.c_str(), 0, pic.rgba.data(), 0, nullptr) != 0;
}

void Put16(std::string& out, int v) {
    out += char(v & 0xFF);
    out += char((v >> 8) & 0xFF);
}
void Put32(std::string& out, std::uint32_t v) {
    Put16(out, int(v & 0xFFFF));
    Put16(out, int(v >> 16));
}

bool WriteWav(const std::string& path, const std::vector<float>& left,
              const std::vector<float>& right, int rate) {
    std::uint32_t bytes = std::uint32_t(left.size() * 4);
    std::string out = "RIFF";
    Put32(out, 36 + bytes);
    out += "WAVEfmt ";
    Put32(out, 16);
    Put16(out, 1);
    Put16(out, 2);
    Put32(out, std::uint32_t(rate));
    Put32(out, std::uint32_t(rate * 4));
    Put16(out, 4);
    Put16(out, 16);
    out += "data";
    Put32(out, bytes);
    for (std::size_t i = 0; i < left.size(); ++i) {
        Put16(out, int(std::lround(std::clamp(left[i], -1.0f, 1.0f) * 32000)));
        Put16(out, int(std::lround(std::clamp(right[i], -1.0f, 1.0f) * 32000)));
    }
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    return std::fclose(f) == 0 && ok;
}

// A gentle progression: each bar a chord of three sine voices plus a bass
// note, with an arpeggio on top, fading in and out at the ends.
bool WriteMusic(const std::string& path, double seconds) {
    const int rate = 44100;
    std::size_t frames = std::size_t(seconds * rate);
    std::vector<float> left(frames), right(frames);
    const double chords[4][3] = {{261.63, 329.63, 392.00},
                                 {196.00, 246.94, 293.66},
                                 {220.00, 261.63, 329.63},
                                 {174.61, 220.00, 261.63}};
    const double bar = 2.0;
    for (std::size_t i = 0; i < frames; ++i) {
        double t = double(i) / rate;
        int chord = int(t / bar) % 4;
        double inBar = std::fmod(t, bar);
        double pad = 0;
        for (double f : chords[chord])
            pad += std::sin(2 * kPi * f * t) * 0.08;
        double bass = std::sin(2 * kPi * chords[chord][0] / 2 * t) * 0.15 * std::exp(-inBar * 1.5);
        int step = int(inBar / 0.25);
        double stepT = std::fmod(inBar, 0.25);
        double arp = std::sin(2 * kPi * chords[chord][step % 3] * 2 * t) * 0.12 * std::exp(-stepT * 9);
        double envelope = std::min({1.0, t / 1.5, (seconds - t) / 3.0});
        left[i] = float((pad + bass + arp * 0.7) * envelope);
        right[i] = float((pad + bass * 0.8 + arp) * envelope);
    }
    return WriteWav(path, left, right, rate);
}

bool WriteChime(const std::string& path) {
    const int rate = 44100;
    std::size_t frames = std::size_t(2.0 * rate);
    std::vector<float> left(frames), right(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        double t = double(i) / rate;
        double v = (std::sin(2 * kPi * 880 * t) * 0.3 + std::sin(2 * kPi * 1320 * t) * 0.15 +
                    std::sin(2 * kPi * 1760 * t) * 0.08) *
                   std::exp(-t * 2.5) * std::min(1.0, t / 0.005);
        left[i] = right[i] = float(v);
    }
    return WriteWav(path, left, right, rate);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 64;
    }
    std::string folder = argv[1];
    struct {
        const char* name;
        int width, height;
    } pictures[] = {
        {"01-sunrise.png", 1600, 1200}, {"02-wide.png", 1920, 1080}, {"03-tall.png", 1200, 1600},
        {"04-square.png", 1000, 1000},  {"05-panorama.png", 2400, 1000}, {"06-small.png", 800, 600},
        {"07-photo.png", 1500, 1000},   {"08-portrait.png", 900, 1350},  {"09-hd.png", 1280, 720},
    };
    int number = 1;
    for (const auto& p : pictures) {
        if (!WritePng(folder + "/" + p.name, MakePicture(p.width, p.height, number++))) {
            std::fprintf(stderr, "cannot write %s/%s\n", folder.c_str(), p.name);
            return 1;
        }
    }
    SPicture background(720, 576);
    for (int y = 0; y < background.height; ++y)
        for (int x = 0; x < background.width; ++x) {
            bool check = ((x / 48) + (y / 48)) % 2;
            background.Put(x, y, check ? 40 : 60, check ? 50 : 70, check ? 90 : 110);
        }
    if (!WritePng(folder + "/background.png", background) ||
        !WriteMusic(folder + "/music.wav", 66.0) || !WriteChime(folder + "/chime.wav")) {
        std::fprintf(stderr, "cannot write the demo media into %s\n", folder.c_str());
        return 1;
    }
    return 0;
}
