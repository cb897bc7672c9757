#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CAlbum;
class CProjTmpl;

namespace CLI {
class App;
}

// Each subcommand of kelvclip-cli registers itself on the application. A
// subcommand's callback reports its exit status by throwing CLI::RuntimeError
// with the code (0 done, 1 cancelled, 2 failed); bad usage exits with 64.
enum ECliExit : int {
    kExitDone = 0,
    kExitCancelled = 1,
    kExitFailed = 2,
    kExitUsage = 64,
};

// Text from templates, album descriptions and file names, fit to print on a
// terminal: control characters (C0, DEL and the C1 range) are shown escaped
// as \xNN or \uNNNN, so a name cannot clear the screen or retitle the window.
[[nodiscard]] std::string Printable(const std::string& text);

// Prints "kelvclip-cli: <message>" on stderr and throws the exit status.
[[noreturn]] void CliFail(const std::string& message, int code = kExitFailed);

// Loads a template package or fails with the loader's message.
void LoadTemplateOrFail(CProjTmpl& tmpl, const std::string& path);

// Applies --replace N=PATH options (N numbered as `info` lists the
// template's pictures) or fails naming the bad one.
void ApplyReplacements(CProjTmpl& tmpl, const std::vector<std::string>& replace);

// Applies --field NAME=TEXT options: every %NAME% in the album's captions
// shows TEXT (the caption field syntax of render/text/CaptionFields.h). A bad
// or repeated name fails with usage.
void ApplyFields(CAlbum& album, const std::vector<std::string>& fields);

// Parses WxH (1 to 8192 each) or fails with usage.
void ParseSize(const std::string& text, int& width, int& height);

// The output the command line decides once and hands to the director, the
// sound track and the output format: 16:9 when --wide is given or the setting
// "AspRatio" is 1, else 4:3; PAL or NTSC as --standard says (pal or ntsc, any
// other text fails with usage), else as the setting "PAL" says.
[[nodiscard]] bool WideOutput(bool wideOption);
[[nodiscard]] bool PalOutput(const std::string& standardOption);

// Refuses (exit 2, naming the file) an output path that is one of the inputs
// (the same device and inode), a symbolic link or a folder, and, unless
// special is true, anything but a regular file. Inputs that do not exist are
// skipped.
void CheckOutput(const std::string& output, const std::vector<std::string>& inputs,
                 bool special = false);

// Creates or truncates an output file without following a symbolic link at
// its name; returns the descriptor or fails naming the file and the reason.
int OpenOutput(const std::string& path);

// Whether the path names the file standard output writes to.
[[nodiscard]] bool IsStdout(const std::string& path);

// Writes a whole file under a temporary name beside it and renames it into
// place (or writes standard output), or fails naming the file; without
// replace an existing file is kept and the failure says --force replaces it.
void WriteOutputFile(const std::string& path, const void* data, std::size_t size, bool replace);

// Writes an opaque RGB PNG from rows of blue, green, red and an ignored byte
// (row(y) gives picture row y from the top), or fails naming the file.
void WritePng(const std::string& path, int width, int height,
              const std::function<const std::uint8_t*(int)>& row);

void AddInfoCommand(CLI::App& app);
void AddPackCommand(CLI::App& app);
void AddDumpCommand(CLI::App& app);

// kelvclip-cli effects [--json] [--plugins DIR]: the effect catalogue, and on
// stderr the modules that were skipped and why.
void AddEffectsCommand(CLI::App& app);

// kelvclip-cli transition NAME A B --frames N [--size WxH] [--set KEY=VALUE]... -o DIR.
void AddTransitionCommand(CLI::App& app);

// kelvclip-cli frame TEMPLATE --at S|--frame N -o PNG and frames TEMPLATE -o DIR.
void AddFrameCommands(CLI::App& app);

// kelvclip-cli render TEMPLATE -o OUT [...]: the template as a video file.
void AddRenderCommand(CLI::App& app);

// kelvclip-cli batch JOBS.jsonl [--jobs N] [--index K] [--report FILE]
// [--retry-failed]: many renders, each its own render process.
void AddBatchCommand(CLI::App& app);
