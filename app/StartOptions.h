#pragma once

#include <string>
#include <vector>

// What the program's arguments ask for. The plain start opens "tmpl.vez" of
// the working folder; --template names another file. The first plain argument
// (one that is neither an option nor an option's value) is the title. Options
// the program does not know are passed over, as the plain start always did.
struct SStartOptions {
    enum class EAction { kRun, kHelp, kVersion };

    EAction action = EAction::kRun;
    std::string templatePath = "tmpl.vez";
    bool templateGiven = false; // --template was given; with an empty path a dialog asks
    std::string title = "Reelkit";

    // arguments are those after the program's name.
    static SStartOptions Parse(const std::vector<std::string>& arguments);

    // The text --help prints (the man page kelvclip(1) is made from it).
    static std::string HelpText();
    static std::string VersionText();
};
