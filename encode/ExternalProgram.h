#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

// An external program run as a child in a process group of its own, with
// every signal at its default and unblocked (this program blocks the
// termination signals in all its threads, and children would inherit that),
// standard input from /dev/null and its output collected: the last lines are
// kept for error messages. Ending it ends its whole group, so the programs it
// starts in turn (a client piping into an encoder) go too.
class CExternalProgram {
public:
    CExternalProgram() = default;
    CExternalProgram(const CExternalProgram&) = delete;
    CExternalProgram& operator=(const CExternalProgram&) = delete;
    // Ends a program still running (Terminate).
    ~CExternalProgram();

    // Starts program with the arguments after its name; environment entries
    // "NAME=value" are added where the environment has no such name. False
    // with why set when it cannot be started.
    bool Start(const std::string& program, const std::vector<std::string>& args,
               const std::vector<std::string>& environment, std::string& why);
    // Waits up to ms (0: only looks) for the program to end, collecting its
    // output meanwhile; true once it has ended.
    bool Wait(int ms);
    // Asks the group to end (SIGTERM), waits up to graceMs, then kills what
    // is left (SIGKILL) and reaps the program.
    void Terminate(int graceMs);

    [[nodiscard]] bool Running() const { return m_pid > 0; }
    [[nodiscard]] bool Started() const { return m_started; }
    // Exited with status 0.
    [[nodiscard]] bool Succeeded() const;
    // "ended with status 3" or "was ended by signal 9".
    [[nodiscard]] std::string HowItEnded() const;
    // The last non-empty line the program wrote, without control characters.
    [[nodiscard]] std::string LastOutputLine() const;
    [[nodiscard]] pid_t Pid() const { return m_pid; }

private:
    void ReadOutput(int ms);
    void ClosePipe();

    pid_t m_pid = -1;
    pid_t m_group = -1;
    bool m_started = false;
    int m_status = 0;
    int m_pipe = -1;
    std::string m_output; // the last few kilobytes
};
