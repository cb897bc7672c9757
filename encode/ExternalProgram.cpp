#include "encode/ExternalProgram.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

constexpr std::size_t kKeptOutput = 4096;

} // namespace

CExternalProgram::~CExternalProgram() {
    if (m_pid > 0)
        Terminate(2000);
    ClosePipe();
}

void CExternalProgram::ClosePipe() {
    if (m_pipe >= 0)
        close(m_pipe);
    m_pipe = -1;
}

bool CExternalProgram::Start(const std::string& program, const std::vector<std::string>& args,
                             const std::vector<std::string>& environment, std::string& why) {
    if (m_pid > 0) {
        why = "a program runs already";
        return false;
    }
    m_started = false;
    m_status = 0;
    m_output.clear();
    ClosePipe();
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        why = std::strerror(errno);
        return false;
    }

    std::vector<std::string> env;
    for (char** e = environ; e && *e; ++e)
        env.emplace_back(*e);
    for (const std::string& entry : environment) {
        const std::string name = entry.substr(0, entry.find('=') + 1);
        bool present = false;
        for (const std::string& e : env)
            present = present || e.compare(0, name.size(), name) == 0;
        if (!present)
            env.push_back(entry);
    }
    std::vector<char*> argv, envp;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    for (std::string& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    for (int s = 1; s < NSIG; ++s)
        if (s != SIGKILL && s != SIGSTOP)
            sigaddset(&defaults, s);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF |
                                        POSIX_SPAWN_SETPGROUP);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, out[1], 2);

    pid_t pid = -1;
    const int code = posix_spawn(&pid, program.c_str(), &actions, &attr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    close(out[1]);
    if (code != 0) {
        close(out[0]);
        why = std::strerror(code);
        return false;
    }
    m_pid = m_group = pid;
    m_pipe = out[0];
    m_started = true;
    return true;
}

void CExternalProgram::ReadOutput(int ms) {
    if (m_pipe < 0) {
        if (ms > 0)
            poll(nullptr, 0, ms);
        return;
    }
    pollfd p{m_pipe, POLLIN, 0};
    if (poll(&p, 1, ms) <= 0)
        return;
    char buffer[4096];
    const ssize_t n = read(m_pipe, buffer, sizeof buffer);
    if (n > 0) {
        m_output.append(buffer, std::size_t(n));
        if (m_output.size() > kKeptOutput)
            m_output.erase(0, m_output.size() - kKeptOutput);
    } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
        // Every writer has closed it; the rest of the wait is a plain sleep.
        ClosePipe();
    }
}

bool CExternalProgram::Wait(int ms) {
    if (m_pid <= 0)
        return true;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        int status = 0;
        const pid_t r = waitpid(m_pid, &status, WNOHANG);
        if (r == m_pid || (r < 0 && errno == ECHILD)) {
            m_status = r == m_pid ? status : 0;
            m_pid = -1;
            // What it wrote last, if it is there already.
            ReadOutput(0);
            return true;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0)
            return false;
        ReadOutput(int(std::min<long long>(left, 50)));
    }
}

void CExternalProgram::Terminate(int graceMs) {
    // The group is signalled only while something of it is known to live:
    // an empty group's number may belong to another process later.
    const bool groupLives = m_group > 0 && killpg(m_group, SIGTERM) == 0;
    if (m_pid > 0 && !Wait(graceMs)) {
        killpg(m_group, SIGKILL);
        int status = 0;
        if (waitpid(m_pid, &status, 0) == m_pid)
            m_status = status;
        m_pid = -1;
    }
    // Whatever of the group outlived its leader.
    if (groupLives)
        killpg(m_group, SIGKILL);
    m_group = -1;
}

bool CExternalProgram::Succeeded() const {
    return m_started && m_pid <= 0 && WIFEXITED(m_status) && WEXITSTATUS(m_status) == 0;
}

std::string CExternalProgram::HowItEnded() const {
    if (WIFSIGNALED(m_status))
        return "was ended by signal " + std::to_string(WTERMSIG(m_status));
    return "ended with status " + std::to_string(WIFEXITED(m_status) ? WEXITSTATUS(m_status) : -1);
}

std::string CExternalProgram::LastOutputLine() const {
    std::size_t end = m_output.size();
    while (end > 0) {
        std::size_t start = m_output.rfind('\n', end - 1);
        start = start == std::string::npos ? 0 : start + 1;
        std::string line;
        for (std::size_t i = start; i < end; ++i) {
            const unsigned char c = static_cast<unsigned char>(m_output[i]);
            if (c == '\r')
                line.clear(); // a progress line redrawn in place: its last form
            else if (c >= 0x20 && c != 0x7F)
                line += char(c);
        }
        if (line.find_first_not_of(' ') != std::string::npos)
            return line;
        if (start == 0)
            break;
        end = start - 1;
    }
    return std::string();
}
