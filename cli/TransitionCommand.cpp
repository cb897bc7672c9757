// kelvclip-cli transition NAME A B --frames N [--size WxH] [--set KEY=VALUE]...
// -o DIR: every frame of one transition between two pictures, as PNG files.
// The transition is driven the way the album engine drives it: bottom-up
// buffers, the destination cleared before each frame, frames 0 … N − 1, and
// fresh copies of both pictures for every frame (a transition may draw on
// its sources).
#include "base/InputFile.h"
#include "cli/CliCommands.h"
#include "effects/EffectMgr.h"
#include "imgcore/CPU.h"
#include "media/AnyDecoder.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

namespace {

// A frame buffer from the image primitives: rows bottom-up, handed out as the
// lowest-addressed row and a negative stride.
class CFrameBuffer {
public:
    CFrameBuffer(int width, int height) : m_width(width), m_height(height) {
        m_bits = CCPU::ippiMalloc_8u_C4(width, height, &m_step);
        if (!m_bits)
            CliFail("out of memory for " + std::to_string(width) + "x" + std::to_string(height) +
                    " frames");
    }
    CFrameBuffer(const CFrameBuffer&) = delete;
    CFrameBuffer& operator=(const CFrameBuffer&) = delete;
    ~CFrameBuffer() { CCPU::ippiFree(m_bits); }

    [[nodiscard]] std::uint8_t* Lowest() const { return m_bits; }
    [[nodiscard]] int Stride() const { return -m_step; }
    // Picture row y (0 at the top).
    [[nodiscard]] std::uint8_t* Row(int y) const {
        return m_bits + std::size_t(m_height - 1 - y) * std::size_t(m_step);
    }
    void Clear() const { std::memset(m_bits, 0, std::size_t(m_step) * std::size_t(m_height)); }
    void CopyFrom(const CFrameBuffer& other) const {
        std::memcpy(m_bits, other.m_bits, std::size_t(m_step) * std::size_t(m_height));
    }

private:
    int m_width, m_height;
    int m_step = 0;
    std::uint8_t* m_bits = nullptr;
};

// A transition's picture: a copy of the decoded picture refreshed per frame.
class CPictureSrc : public ItransfxSrc {
public:
    CPictureSrc(const CFrameBuffer& picture, int width, int height)
        : m_picture(picture), m_work(width, height) {}
    void Refresh() { m_work.CopyFrom(m_picture); }
    int GetFrame(std::uint8_t** bits, int* stride) override {
        *bits = m_work.Lowest();
        *stride = m_work.Stride();
        return 1;
    }

private:
    const CFrameBuffer& m_picture;
    CFrameBuffer m_work;
};

// The default frame: the picture's own size, reduced to fit a PAL frame
// (720x576) with its aspect kept, so a huge photo does not make huge frames.
void DefaultSize(int pictureWidth, int pictureHeight, int& width, int& height) {
    constexpr int kMaxWidth = 720, kMaxHeight = 576;
    width = std::max(1, pictureWidth);
    height = std::max(1, pictureHeight);
    if (width > kMaxWidth || height > kMaxHeight) {
        double scale = std::min(double(kMaxWidth) / width, double(kMaxHeight) / height);
        width = std::max(1, int(width * scale + 0.5));
        height = std::max(1, int(height * scale + 0.5));
    }
}

// Decodes a picture (any format the decoders read), fitted and centred on
// opaque black in a frame of the given size; a size of 0 takes the picture's,
// reduced as DefaultSize says.
std::unique_ptr<CFrameBuffer> LoadPicture(const std::string& path, int& width, int& height) {
    std::string why;
    if (!InputFile::Check(path, why))
        CliFail(path + ": " + why);
    PLAnyDecoder dec;
    if (!dec.OpenFile2(path))
        CliFail(path + ": cannot be decoded as a picture or clip");
    if (width <= 0 || height <= 0)
        DefaultSize(dec.GetWidth(), dec.GetHeight(), width, height);
    auto frame = std::make_unique<CFrameBuffer>(width, height);
    PLWinBmp bmp;
    bmp.Create(width, height, 32, false, false);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = bmp.GetLineArray()[y];
        for (int x = 0; x < width; ++x) {
            row[4 * x] = row[4 * x + 1] = row[4 * x + 2] = 0;
            row[4 * x + 3] = 255;
        }
    }
    if (!dec.DecodeInto(bmp))
        CliFail(path + ": cannot be decoded as a picture or clip");
    for (int y = 0; y < height; ++y) {
        std::uint8_t* d = frame->Row(y);
        std::memcpy(d, bmp.GetLineArray()[y], std::size_t(width) * 4);
        // Pictures with transparency are shown over black, premultiplied as
        // the engine keeps them; the frames stay opaque.
        for (int x = 0; x < width; ++x) {
            unsigned a = d[4 * x + 3];
            for (int c = 0; c < 3; ++c)
                d[4 * x + c] = std::uint8_t((d[4 * x + c] * a + 127) / 255);
            d[4 * x + 3] = 255;
        }
    }
    return frame;
}

struct STransitionArgs {
    std::string name, pictureA, pictureB, size, outDir;
    int frames = 0;
    std::vector<std::string> settings;
};

void Run(const STransitionArgs& args) {
    int width = 0, height = 0;
    if (!args.size.empty())
        ParseSize(args.size, width, height);
    if (args.frames < 2)
        CliFail("--frames must be at least 2", kExitUsage);
    CEffectValues values;
    for (const std::string& s : args.settings) {
        std::size_t eq = s.find('=');
        char* end = nullptr;
        long v = eq == std::string::npos ? 0 : std::strtol(s.c_str() + eq + 1, &end, 10);
        if (eq == std::string::npos || eq == 0 || !end || *end || end == s.c_str() + eq + 1)
            CliFail("--set wants KEY=VALUE with an integer value: " + s, kExitUsage);
        values.push_back({s.substr(0, eq), int(v)});
    }

    CEffectMgr& mgr = CEffectMgr::Global();
    mgr.Scan();
    CEffect* prototype = mgr.Find(kEffectTransition, args.name);
    if (!prototype)
        CliFail("no transition named \"" + args.name + "\" in " + mgr.GetFolder() +
                " (kelvclip-cli effects lists them)");

    auto a = LoadPicture(args.pictureA, width, height);
    auto b = LoadPicture(args.pictureB, width, height);
    std::error_code ec;
    std::filesystem::create_directories(args.outDir, ec);
    if (!std::filesystem::is_directory(args.outDir))
        CliFail(args.outDir + ": cannot make the folder");

    CEffect* effect = prototype->MakeInstance();
    if (!effect)
        CliFail("transition \"" + args.name + "\" could not be made");
    CPictureSrc srcA(*a, width, height), srcB(*b, width, height);
    CFrameBuffer dst(width, height);
    effect->ApplyValues(values);
    effect->SetSize(width, height);
    effect->SetFrameCount(args.frames);
    effect->SetSources(&srcA, &srcB);
    effect->Prepare();
    int failed = 0;
    for (int i = 0; i < args.frames; ++i) {
        srcA.Refresh();
        srcB.Refresh();
        dst.Clear();
        if (effect->Render(i, dst.Lowest(), dst.Stride()) != 0)
            ++failed;
        // The engine's frames are opaque whatever a transition leaves there.
        char name[32];
        std::snprintf(name, sizeof name, "frame_%04d.png", i);
        WritePng((std::filesystem::path(args.outDir) / name).string(), width, height,
                 [&dst](int y) -> const std::uint8_t* { return dst.Row(y); });
    }
    effect->Release();
    if (failed)
        CliFail(std::to_string(failed) + " of " + std::to_string(args.frames) +
                " frames were not drawn by \"" + args.name + "\"");
    std::printf("%d frames of %dx%d written to %s\n", args.frames, width, height,
                args.outDir.c_str());
}

} // namespace

void AddTransitionCommand(CLI::App& app) {
    auto args = std::make_shared<STransitionArgs>();
    CLI::App* cmd = app.add_subcommand(
        "transition", "Render every frame of one transition between two pictures as PNG files");
    cmd->add_option("name", args->name, "Internal name of the transition (see `effects`)")
        ->required();
    cmd->add_option("a", args->pictureA, "Outgoing picture")->required();
    cmd->add_option("b", args->pictureB, "Incoming picture")->required();
    cmd->add_option("--frames", args->frames, "Number of frames (at least 2)")->required();
    cmd->add_option("--size", args->size,
                    "Frame size WxH (default: the size of A, reduced to fit 720x576)");
    cmd->add_option("--set", args->settings, "Parameter KEY=VALUE (repeatable)");
    cmd->add_option("-o,--output", args->outDir, "Folder for frame_NNNN.png")->required();
    cmd->callback([args] { Run(*args); });
}
