// kelvclip-cli: the headless front end for batch use, scripting and tests.
#include "cli/CliCommands.h"

#include "audio/DecoderProbe.h"
#include "base/HeapPolicy.h"
#include "base/SignalWatch.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <iostream>

int main(int argc, char** argv) {
    CHeapPolicy::Apply();
    // Before any thread: termination signals go to one watcher thread.
    CSignalWatch::Start();
    CDecoderProbe::Install();
    CLI::App app{"kelvclip-cli: make videos from slide-show templates without the wizard",
                 "kelvclip-cli"};
    app.set_version_flag("--version", "kelvclip-cli " KV_VERSION);
    app.require_subcommand(1);
    AddInfoCommand(app);
    AddPackCommand(app);
    AddDumpCommand(app);
    AddEffectsCommand(app);
    AddTransitionCommand(app);
    AddFrameCommands(app);
    AddRenderCommand(app);
    AddBatchCommand(app);

    try {
        app.parse(argc, argv);
    } catch (const CLI::RuntimeError& e) {
        return e.get_exit_code();
    } catch (const CLI::ParseError& e) {
        // Help and version print and exit 0; real usage errors exit 64.
        int code = app.exit(e);
        return code == 0 ? 0 : kExitUsage;
    }
    return kExitDone;
}
