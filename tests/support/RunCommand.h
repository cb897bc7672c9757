#pragma once

#include <string>

// Runs a shell command line, collecting what it writes to standard output
// (add 2>&1 to collect standard error too). Returns the exit status, or -1
// when the command did not exit normally.
int RunCommand(const std::string& command, std::string* output = nullptr);
