#include "tests/support/RunCommand.h"

#include <cstdio>
#include <sys/wait.h>

int RunCommand(const std::string& command, std::string* output) {
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return -1;
    std::string text;
    char buffer[512];
    while (std::size_t n = fread(buffer, 1, sizeof buffer, pipe))
        text.append(buffer, n);
    int status = pclose(pipe);
    if (output)
        *output = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
