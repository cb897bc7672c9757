#include "cli/CliCommands.h"

#include "project/ProjTmpl.h"

#include <CLI/CLI.hpp>

#include <iostream>

void CliFail(const std::string& message, int code) {
    std::cerr << "kelvclip-cli: " << message << '\n';
    throw CLI::RuntimeError(code);
}

void LoadTemplateOrFail(CProjTmpl& tmpl, const std::string& path) {
    // There is no one to ask: old versions are read, and said so.
    auto confirm = [&path](double version) {
        std::cerr << "kelvclip-cli: " << path << ": project version " << version
                  << " is old; converting it\n";
        return true;
    };
    if (!tmpl.Load(path, confirm))
        CliFail(tmpl.GetError().empty() ? path + ": cannot be loaded" : tmpl.GetError());
}
