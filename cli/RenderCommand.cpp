// kelvclip-cli render: a template with the user's pictures as a video file,
// with progress on the terminal; Ctrl-C cancels.
#include "cli/CliCommands.h"

#include "audio/AlbumAudioSrc.h"
#include "base/SignalWatch.h"
#include "cli/WarningPrinter.h"
#include "encode/AlbumFrameSrc.h"
#include "encode/EncodeEngine.h"
#include "encode/EncodeThreads.h"
#include "encode/Encoder.h"
#include "encode/FormatTable.h"
#include "encode/MpgEncodeEngine.h"
#include "encode/MpgPreset.h"
#include "encode/NoticeQueue.h"
#include "encode/OutputFormat.h"
#include "project/Album.h"
#include "project/ProjTmpl.h"
#include "render/Overlay.h"

#include <CLI/CLI.hpp>

#include <atomic>
#include <chrono>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <unistd.h>

namespace {

struct SRenderArgs {
    std::string templatePath, output, disc = "dvd", standard, size, vcodec, acodec, preset, fps;
    std::string stats;
    std::string quality, threads;
    bool fast = false;
    bool wide = false;
    bool strict = false;
    std::vector<std::string> replace, fields;
};

// The progress line: a bar on a terminal, a plain percentage otherwise.
class CProgressLine {
public:
    CProgressLine(int frames, double fps) : m_frames(frames), m_fps(fps), m_terminal(isatty(STDERR_FILENO) != 0) {}

    void Show(int percent) {
        if (percent == m_last)
            return;
        m_last = percent;
        double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
        double done = m_frames * percent / 100.0;
        double rate = elapsed > 0 ? done / elapsed : 0;
        double left = rate > 0 ? (m_frames - done) / rate : 0;
        if (!m_terminal) {
            std::fprintf(stderr, "%d%%\n", percent);
            return;
        }
        char bar[31];
        int filled = percent * 30 / 100;
        for (int i = 0; i < 30; ++i)
            bar[i] = i < filled ? '#' : '.';
        bar[30] = 0;
        std::fprintf(stderr, "\r[%s] %3d%%  %6.1f fps  %d:%02d left ", bar, percent, rate,
                     int(left) / 60, int(left) % 60);
        std::fflush(stderr);
        m_open = true;
    }
    void End() {
        if (m_open)
            std::fputc('\n', stderr);
        m_open = false;
    }
    [[nodiscard]] bool IsOpen() const { return m_open; }
    // The line was ended by other output: draw it again at the next Show.
    void Reopen() {
        m_open = false;
        m_last = -1;
    }

private:
    int m_frames;
    double m_fps;
    bool m_terminal;
    int m_last = -1;
    bool m_open = false;
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
};

int DiscOf(const std::string& name) {
    const SFormatRow* row = CFormatTable::Named(name);
    if (!row || row->kind == SFormatRow::kScreen || row->page < 0)
        CliFail("--disc wants " + CFormatTable::Names(false), kExitUsage);
    return row->page;
}

// The frame rates of files for screens, "24, 25, ... or 59.94".
std::string ScreenRates() {
    std::string names;
    const SFormatRow::TRates& rates = CFormatTable::DefaultScreen().rates;
    for (std::size_t i = 0; i < rates.size() && rates[i] > 0; ++i) {
        char rate[32];
        std::snprintf(rate, sizeof rate, "%g", std::round(rates[i] * 1000) / 1000);
        names += (i == 0 ? "" : i + 1 == rates.size() || rates[i + 1] <= 0 ? " or " : ", ");
        names += rate;
    }
    return names;
}

// --preset, --size and --fps of a file for screens (MP4, QuickTime, Matroska).
void SetScreen(const SRenderArgs& args, COutputFormat& format) {
    int width = 0, height = 0;
    if (!args.preset.empty()) {
        const SFormatRow* row = CFormatTable::Named(args.preset);
        if (!row || row->kind != SFormatRow::kScreen)
            CliFail("--preset wants " + CFormatTable::Names(true), kExitUsage);
        width = row->width;
        height = row->palHeight;
        if (!args.size.empty())
            CliFail("--preset and --size name the size twice; give one", kExitUsage);
    }
    if (!args.size.empty()) {
        ParseSize(args.size, width, height);
        if (!COutputFormat::ScreenSizeAllowed(width, height))
            CliFail("--size " + args.size +
                        " for an MP4 file wants even sides of 128 to 3840, at most 3840x2160",
                    kExitUsage);
    }
    double rate = 0;
    if (!args.fps.empty()) {
        char* end = nullptr;
        rate = std::strtod(args.fps.c_str(), &end);
        if (end == args.fps.c_str() || *end || !COutputFormat::ScreenRateAllowed(rate))
            CliFail("--fps wants " + ScreenRates(), kExitUsage);
    }
    format.SetScreen(width, height, rate);
}

// A whole number from low to high, or a usage failure with the message.
int WholeNumber(const std::string& text, int low, int high, const std::string& message) {
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || end == text.c_str() || *end || errno != 0 || value < low || value > high)
        CliFail(message, kExitUsage);
    return int(value);
}

// --quality, --fast and --threads.
void SetEffort(const SRenderArgs& args, COutputFormat& format) {
    if (!args.threads.empty())
        format.SetThreads(WholeNumber(args.threads, 1, kMaxRequestedThreads,
                                      "--threads wants a count from 1 to " +
                                          std::to_string(kMaxRequestedThreads)));
    if (args.quality.empty() && !args.fast)
        return;
    const char* option = args.fast ? "--fast" : "--quality";
    if (args.fast && !args.quality.empty())
        CliFail("--fast and --quality both choose the quality level; give one", kExitUsage);
    // An MP4's level is its rate factor: --fast there would mean a poorer
    // picture rather than a quicker encode, so it is refused.
    if (COutputFormat::IsAviPath(args.output) ||
        (args.fast && COutputFormat::IsMp4Path(args.output)))
        CliFail(std::string(option) +
                    (args.fast ? " goes with an MPEG stream (DVD, SVCD, VCD or custom)"
                               : " goes with an MPEG stream or an MP4, MOV or MKV file"),
                kExitUsage);
    format.SetQuality(args.fast ? kFastQuality
                                : WholeNumber(args.quality, 0, CMpgEncodeEngine::kMaxQuality,
                                              "--quality wants a level from 0 (fastest) to " +
                                                  std::to_string(CMpgEncodeEngine::kMaxQuality) +
                                                  " (best)"));
}

void Run(const SRenderArgs& args) {
    COutputFormat format(PalOutput(args.standard), WideOutput(args.wide));
    format.SetDisc(DiscOf(args.disc));
    SetEffort(args, format);
    if (COutputFormat::IsMp4Path(args.output)) {
        SetScreen(args, format);
    } else if (!args.preset.empty() || !args.fps.empty()) {
        CliFail(std::string(args.preset.empty() ? "--fps" : "--preset") +
                    " goes with an MP4, MOV or MKV output",
                kExitUsage);
    } else if (!args.size.empty()) {
        if (format.Disc() != COutputFormat::kCustom)
            CliFail("--size goes with --disc custom", kExitUsage);
        int w = 0, h = 0;
        ParseSize(args.size, w, h);
        format.SetCustomSize(w, h);
    }
    format.SetAviCodecs(args.vcodec, args.acodec);

    CProjTmpl tmpl;
    CWarningPrinter warnings([&tmpl](const std::string& file) { return tmpl.SourceOf(file); });
    LoadTemplateOrFail(tmpl, args.templatePath);
    ApplyReplacements(tmpl, args.replace);
    std::vector<std::string> inputs = tmpl.ListTemplatePictures(true);
    inputs.push_back(args.templatePath);
    // Writing to a device or a pipe (standard output) is allowed.
    CheckOutput(args.output, inputs, true);
    CAlbum album;
    tmpl.ApplyTo(album, true);
    ApplyFields(album, args.fields);
    if (album.GetSlideCount() == 0)
        CliFail(args.templatePath + ": the album has no slides to render");
    CAlbumFrameSrc video(true);
    video.SetAlbum(&album, &tmpl);
    video.SetOverlay(OverlayFromSettings());
    // The sound track, dropped when the album has none.
    CAlbumAudioSrc track(format.SampleRate(args.output));
    track.Build(album);
    IAudioSrc* audio = track.GetLength() != 0 ? &track : nullptr;

    std::string why;
    std::unique_ptr<IEncodeEngine> engine = format.CreateEngine(&video, audio, args.output, &why);
    if (!engine)
        CliFail(args.templatePath + ": " + (why.empty() ? "no engine for this output" : why),
                why.find("codec") != std::string::npos ? kExitUsage : kExitFailed);
    if (audio && !audio->Open())
        audio = nullptr;
    auto strictStop = [&] { return args.strict && warnings.Count() > 0; };
    warnings.Flush();
    if (strictStop())
        CliFail("--strict: not rendering because of the warnings above");

    CNoticeQueue notices;
    CEncoder job(*engine);
    std::atomic<bool> interrupted{false};
    CSignalWatch::CCancelScope onSignal([&interrupted] { interrupted = true; });
    if (!job.Begin(&video, audio, args.output, &notices))
        CliFail("the encode cannot be started");
    CProgressLine line(int(video.GetFrameCount()), video.GetFrameRate());
    bool cancelling = false, strictFailed = false;
    SJobNotice notice;
    for (;;) {
        if (warnings.Flush(line.IsOpen() ? "\n" : "") > 0)
            line.Reopen();
        if (!cancelling && strictStop()) {
            cancelling = strictFailed = true;
            job.Cancel();
        }
        if (interrupted && !cancelling) {
            cancelling = true;
            job.Cancel();
            line.End();
            std::cerr << "kelvclip-cli: cancelling...\n";
        }
        if (!notices.Wait(notice, std::chrono::milliseconds(100)))
            continue;
        if (notice.kind == SJobNotice::kProgress) {
            line.Show(notice.value);
            continue;
        }
        if (notice.kind >= SJobNotice::kDone)
            break;
    }
    job.Join();
    if (audio)
        audio->Close();
    line.End();
    warnings.Flush();
    if (strictFailed)
        CliFail("--strict: stopped because of the warnings above; " + args.output +
                " is incomplete");
    if (notice.kind == SJobNotice::kCancelled)
        CliFail("cancelled; " + args.output + " holds what was encoded until then", kExitCancelled);
    if (notice.kind == SJobNotice::kFailed)
        CliFail(args.output + ": " + (notice.text.empty() ? "the encode failed" : notice.text));
    if (!args.stats.empty()) {
        const std::string stats =
            "{\"frames\": " + std::to_string(video.GetFrameCount()) + "}\n";
        WriteOutputFile(args.stats, stats.data(), stats.size(), true);
    }
    std::error_code error;
    // The path goes to standard output for scripts, unless the video did.
    (IsStdout(args.output) ? std::cerr : std::cout)
        << std::filesystem::absolute(args.output, error).string() << '\n';
}

} // namespace

void AddRenderCommand(CLI::App& app) {
    auto args = std::make_shared<SRenderArgs>();
    CLI::App* render = app.add_subcommand("render", "Render a template to a video file");
    render->add_option("template", args->templatePath, "Template package (.vez)")
        ->required()
        ->check(CLI::ExistingFile);
    render->add_option("-o,--output", args->output,
                       "Output file: an MPEG program stream; an AVI file when it ends in .avi; "
                       "H.264 and AAC in MP4 (.mp4, .m4v), QuickTime (.mov) or Matroska (.mkv)")
        ->required();
    render->add_option("--replace", args->replace,
                       "Put a picture in place of template picture N (N=PATH, repeatable)");
    render->add_option("--field", args->fields,
                       "Show TEXT wherever a caption holds %NAME% (NAME=TEXT, repeatable)");
    render->add_option("--disc", args->disc, CFormatTable::Names(false))->capture_default_str();
    render->add_option("--standard", args->standard, "pal or ntsc (default: the PAL setting)");
    render->add_option("--size", args->size,
                       "Picture size WxH with --disc custom, or of an MP4 file (even, 128 to "
                       "3840x2160)");
    render->add_option("--preset", args->preset,
                       "Size of an MP4 file: " + CFormatTable::Names(true) +
                           " (info --json lists their sizes)");
    render->add_option("--fps", args->fps,
                       "Frame rate of an MP4 file: " + ScreenRates() + " (default 30, or 25 for PAL)");
    render->add_flag("--wide", args->wide, "16:9 picture instead of 4:3 (default: the setting AspRatio)");
    render->add_flag("--strict", args->strict,
                     "Fail (exit 2) when a picture or sound cannot be used instead of warning");
    render->add_option("--quality", args->quality,
                       "Quality level, 0 (fastest) to 31 (best; the default); for MP4, MOV and MKV files the rate factor (31: 20, each two levels down one more, to 35)");
    render->add_flag("--fast", args->fast,
                     "Quality level " + std::to_string(kFastQuality) +
                         " for MPEG streams: the encoder's plain choices, about half the "
                         "encoding work, files about 9 % larger");
    render->add_option("--threads", args->threads,
                       "Encoder threads, 1 to " + std::to_string(kMaxRequestedThreads) +
                           " (default: one more than the cores, at most " +
                           std::to_string(kMaxEncodeThreads) + ")");
    render->add_option("--vcodec", args->vcodec, "Video encoder for AVI files (FFmpeg name)");
    render->add_option("--acodec", args->acodec, "Audio encoder for AVI files (FFmpeg name)");
    // For batch: the frame count of a finished render as a JSON object.
    render->add_option("--stats", args->stats)->group("");
    render->callback([args] { Run(*args); });
}
