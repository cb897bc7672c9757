// kelvclip: the template wizard.
#include "app/KelvclipApp.h"
#include "app/StartOptions.h"
#include "base/HeapPolicy.h"
#include "base/SignalWatch.h"

#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// While Qt looks for a display, its complaints are held back: without one it
// ends the program with an abort and a hint about reinstalling, so the one
// line a user needs is printed here instead, and the program exits with 1.
void StartupMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type != QtFatalMsg) {
        if (!context.category || std::strncmp(context.category, "qt.qpa", 6) != 0)
            std::fprintf(stderr, "%s\n", qPrintable(text));
        return;
    }
    const char* xDisplay = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    const std::string displays = std::string(xDisplay && *xDisplay ? xDisplay : "") +
                                 (xDisplay && *xDisplay && wayland && *wayland ? " / " : "") +
                                 (wayland && *wayland ? wayland : "");
    if (displays.empty())
        std::fprintf(stderr, "kelvclip: no display found: DISPLAY and WAYLAND_DISPLAY are unset\n");
    else
        std::fprintf(stderr, "kelvclip: no display found: cannot reach the display %s\n",
                     displays.c_str());
    std::fflush(stderr);
    _exit(1);
}

} // namespace

int main(int argc, char** argv) {
    CHeapPolicy::Apply();
    // --help and --version are answered before Qt looks for a display, so
    // they work anywhere (the man page is made from --help at build time).
    const SStartOptions early = SStartOptions::Parse(std::vector<std::string>(argv + 1, argv + argc));
    switch (early.action) {
    case SStartOptions::EAction::kHelp: std::fputs(SStartOptions::HelpText().c_str(), stdout); return 0;
    case SStartOptions::EAction::kVersion: std::fputs(SStartOptions::VersionText().c_str(), stdout); return 0;
    case SStartOptions::EAction::kRun: break;
    }
    // SIGINT, SIGTERM and SIGHUP remove the template's extracted files before
    // the program ends by them, as the command line does.
    CSignalWatch::Start();
    const QtMessageHandler previous = qInstallMessageHandler(StartupMessages);
    CKelvclipApp app(argc, argv);
    qInstallMessageHandler(previous);
    app.InitInstance();
    return app.ExitCode();
}
