// kelvclip-cli frame and frames: rendered album frames as PNG files.
#include "cli/CliCommands.h"

#include "cli/WarningPrinter.h"
#include "encode/AlbumFrameSrc.h"
#include "encode/FormatTable.h"
#include "encode/OutputFormat.h"
#include "project/Album.h"
#include "project/ProjTmpl.h"
#include "render/Overlay.h"

#include <CLI/CLI.hpp>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <system_error>
#include <unistd.h>

namespace {

struct SFrameArgs {
    std::string templatePath;
    std::string output;
    std::string size = "720x576";
    std::string preset;
    double at = -1;
    int frame = -1;
    int every = 1;
    double rate = 25;
    bool wide = false;
    bool strict = false;
    std::vector<std::string> replace, fields;
};

// The template's album with the replacements, ready to render at the size.
class CFrameJob {
public:
    explicit CFrameJob(const SFrameArgs& args)
        : m_strict(args.strict),
          m_warnings([this](const std::string& file) { return m_tmpl.SourceOf(file); }),
          m_source(true) {
        const SFormatRow* screen = nullptr;
        if (!args.preset.empty()) {
            screen = CFormatTable::Named(args.preset);
            if (!screen || screen->kind != SFormatRow::kScreen)
                CliFail("--preset wants " + CFormatTable::Names(true), kExitUsage);
            m_width = screen->width;
            m_height = screen->palHeight;
        } else {
            ParseSize(args.size, m_width, m_height);
        }
        if (!(args.rate > 0) || args.rate > 240)
            CliFail("--rate wants frames per second between 0 and 240", kExitUsage);
        LoadTemplateOrFail(m_tmpl, args.templatePath);
        ApplyReplacements(m_tmpl, args.replace);
        m_tmpl.ApplyTo(m_album, true);
        ApplyFields(m_album, args.fields);
        m_inputs = m_tmpl.ListTemplatePictures(true);
        m_inputs.push_back(args.templatePath);
        m_source.SetAlbum(&m_album, &m_tmpl);
        m_source.SetOverlay(OverlayFromSettings());
        // A disc's size is drawn as that disc shows it (its pixels take the
        // album's shape); a size for screens as its MP4 file shows it (the
        // album filling the frame at the frame's shape); any other size has
        // square pixels and the album at its own aspect inside, with bars
        // where the shapes differ.
        const COutputFormat::SPlacement place =
            screen ? COutputFormat::SPlacement{1.0, 0, 0, m_width, m_height}
                   : COutputFormat::Place(m_width, m_height, WideOutput(args.wide),
                                          !COutputFormat::IsDiscSize(m_width, m_height));
        const SEffectRect album{place.left, place.top, place.right, place.bottom};
        const int size[2] = {m_width, m_height};
        if (!m_source.SetOutputFormat(size, place.pixelAspect, args.rate, 1, &album))
            CliFail(args.templatePath + ": the album has no slides to render");
    }

    [[nodiscard]] int FrameCount() { return int(m_source.GetFrameCount()); }
    // The files the job reads, which no output may replace.
    [[nodiscard]] const std::vector<std::string>& Inputs() const { return m_inputs; }

    // Prints the media warnings so far; with strict, a warning fails the
    // command (exit 2) once the frame in hand is written.
    void Warn(const char* before = "") {
        m_warnings.Flush(before);
        if (m_strict && m_warnings.Count() > 0)
            CliFail("--strict: stopping because of the warnings above");
    }

    void Write(int frame, const std::string& path) {
        int stride = 0;
        const std::uint8_t* lowest = m_source.GetFrame(frame, &stride);
        if (!lowest)
            CliFail("frame " + std::to_string(frame) + " cannot be rendered");
        const int h = m_height;
        // Premultiplied pixels over black are the colour bytes themselves.
        WritePng(path, m_width, m_height, [lowest, stride, h](int y) {
            return stride < 0 ? lowest + std::ptrdiff_t(h - 1 - y) * -stride
                              : lowest + std::ptrdiff_t(y) * stride;
        });
    }

private:
    int m_width = 0, m_height = 0;
    bool m_strict;
    std::vector<std::string> m_inputs;
    CProjTmpl m_tmpl;
    CWarningPrinter m_warnings;
    CAlbum m_album;
    CAlbumFrameSrc m_source;
};

void AddCommon(CLI::App* command, SFrameArgs& args) {
    command->add_option("template", args.templatePath, "Template package (.vez)")
        ->required()
        ->check(CLI::ExistingFile);
    command->add_option("--size", args.size,
                        "Frame size WxH: a disc's size (720x576, 720x480, 480x576, 480x480, "
                        "352x288, 352x240) is drawn with that disc's pixel shape; any other with "
                        "square pixels, the album inside at its own aspect")
        ->capture_default_str();
    command->add_option("--preset", args.preset,
                        "A size for screens (" + CFormatTable::Names(true) +
                            "), drawn as its MP4 file shows it: the album filling the frame")
        ->excludes("--size");
    command->add_option("--rate", args.rate, "Frames per second")->capture_default_str();
    command->add_flag("--wide", args.wide, "16:9 display instead of 4:3 (default: the setting AspRatio)");
    command->add_flag("--strict", args.strict,
                      "Fail (exit 2) when a picture or sound cannot be used instead of warning");
    command->add_option("--replace", args.replace,
                        "Put a picture in place of template picture N (N=PATH, repeatable)");
    command->add_option("--field", args.fields,
                        "Show TEXT wherever a caption holds %NAME% (NAME=TEXT, repeatable)");
}

void RunFrame(const SFrameArgs& args) {
    CFrameJob job(args);
    job.Warn();
    CheckOutput(args.output, job.Inputs(), true);
    const int count = job.FrameCount();
    // The time is compared before it becomes a frame number, which it may
    // not fit.
    double frame = args.at >= 0 ? std::floor(args.at * args.rate + 0.5) : double(args.frame);
    if (count <= 0)
        CliFail("the album has no frames to show (it lasts 0 s)", kExitFailed);
    if (!(frame >= 0 && frame < count))
        CliFail("the album has frames 0 to " + std::to_string(count - 1) + " (0 to " +
                    std::to_string(count / args.rate) + " s); " +
                    (args.at >= 0 ? std::to_string(args.at) + " s"
                                  : "frame " + std::to_string(args.frame)) +
                    " is outside",
                kExitUsage);
    bool toStdout = IsStdout(args.output);
    job.Write(int(frame), args.output);
    job.Warn();
    (toStdout ? std::cerr : std::cout) << args.output << '\n';
}

void RunFrames(const SFrameArgs& args) {
    if (args.every < 1)
        CliFail("--every wants a positive step", kExitUsage);
    std::error_code error;
    std::filesystem::create_directories(args.output, error);
    if (error)
        CliFail(args.output + ": cannot be created: " + error.message());
    CFrameJob job(args);
    job.Warn();
    const int count = job.FrameCount();
    const bool terminal = isatty(STDERR_FILENO) != 0;
    int written = 0;
    for (int frame = 0; frame < count; frame += args.every) {
        char name[32];
        std::snprintf(name, sizeof name, "frame_%05d.png", frame);
        std::string path = (std::filesystem::path(args.output) / name).string();
        CheckOutput(path, job.Inputs());
        job.Write(frame, path);
        ++written;
        job.Warn(terminal && written > 1 ? "\n" : "");
        if (terminal)
            std::cerr << "\rframe " << frame + 1 << " of " << count << std::flush;
    }
    if (terminal)
        std::cerr << '\n';
    std::cout << written << " frames in " << args.output << '\n';
}

} // namespace

void AddFrameCommands(CLI::App& app) {
    auto args = std::make_shared<SFrameArgs>();
    CLI::App* frame = app.add_subcommand("frame", "Render one frame of a template as a PNG file");
    AddCommon(frame, *args);
    auto* at = frame->add_option("--at", args->at, "Time in seconds")->check(CLI::NonNegativeNumber);
    auto* number = frame->add_option("--frame", args->frame, "Frame number")
                       ->check(CLI::NonNegativeNumber);
    at->excludes(number);
    frame->add_option("-o,--output", args->output, "PNG file")->required();
    frame->callback([args, at, number] {
        if (at->count() == 0 && number->count() == 0)
            CliFail("frame wants --at SECONDS or --frame N", kExitUsage);
        RunFrame(*args);
    });

    auto frames_args = std::make_shared<SFrameArgs>();
    CLI::App* frames =
        app.add_subcommand("frames", "Render the frames of a template as PNG files in a folder");
    AddCommon(frames, *frames_args);
    frames->add_option("--every", frames_args->every, "Write every N-th frame")
        ->capture_default_str();
    frames->add_option("-o,--output", frames_args->output, "Folder for frame_NNNNN.png")
        ->required();
    frames->callback([frames_args] { RunFrames(*frames_args); });
}
