#include "app/StartOptions.h"

#ifndef KV_VERSION
#define KV_VERSION "0.1.0"
#endif

SStartOptions SStartOptions::Parse(const std::vector<std::string>& arguments) {
    SStartOptions options;
    bool titleGiven = false;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool option = !optionsEnded && !argument.empty() && argument[0] == '-';
        if (!option) {
            if (!titleGiven) {
                options.title = argument;
                titleGiven = true;
            }
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--help" || argument == "-h") {
            // Whichever of --help and --version comes first is answered.
            if (options.action == EAction::kRun)
                options.action = EAction::kHelp;
        } else if (argument == "--version") {
            if (options.action == EAction::kRun)
                options.action = EAction::kVersion;
        } else if (argument == "--template") {
            // Alone at the end (a menu entry's "--template %f" without a
            // file) it leaves the file to be chosen in a dialog.
            options.templateGiven = true;
            options.templatePath = i + 1 < arguments.size() ? arguments[++i] : std::string();
        } else if (argument.rfind("--template=", 0) == 0) {
            options.templateGiven = true;
            options.templatePath = argument.substr(sizeof("--template=") - 1);
        }
    }
    return options;
}

std::string SStartOptions::HelpText() {
    return "Usage: kelvclip [--template FILE] [TITLE]\n"
           "Put your own pictures into a slide-show template and make a video of it.\n"
           "\n"
           "Without --template the wizard opens tmpl.vez of the working folder and ends\n"
           "at once, silently, when there is none. TITLE names its window (\"Reelkit\"\n"
           "when none is given).\n"
           "\n"
           "Options:\n"
           "  --template FILE  open the template package FILE (a .vez file); without\n"
           "                   FILE, as the last argument, a dialog asks for it\n"
           "  -h, --help       print this help and exit\n"
           "  --version        print the version and exit\n"
           "\n"
           "Qt's own options (for example -platform offscreen or -style fusion) are\n"
           "understood too.\n"
           "\n"
           "Exit status: 0 when the wizard was closed or no tmpl.vez was found, 1 when\n"
           "there is no display or the template named by --template cannot be opened.\n"
           "\n"
           "kelvclip-cli(1) makes the same videos without the window.\n";
}

std::string SStartOptions::VersionText() { return "kelvclip " KV_VERSION "\n"; }
