#pragma once

#include <string>

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

// Prints "kelvclip-cli: <message>" on stderr and throws the exit status.
[[noreturn]] void CliFail(const std::string& message, int code = kExitFailed);

// Loads a template package or fails with the loader's message.
void LoadTemplateOrFail(CProjTmpl& tmpl, const std::string& path);

void AddInfoCommand(CLI::App& app);
void AddPackCommand(CLI::App& app);
void AddDumpCommand(CLI::App& app);

// kelvclip-cli effects [--json]: the effect catalogue.
void AddEffectsCommand(CLI::App& app);

// kelvclip-cli transition NAME A B --frames N [--size WxH] [--set KEY=VALUE]... -o DIR.
void AddTransitionCommand(CLI::App& app);
