// kelvclip-cli batch: many renders from a job file, a few at a time on this
// machine or one of them per task of a scheduler's job array.
//
// Each job runs as its own `kelvclip-cli render` process. A render holds a
// director with its worker threads, decoders and an encoder; in a process of
// its own its peak memory is measured exactly (wait4), a crash or a leak
// ends with it, and one job never sees another's state.
#include "cli/BatchJobs.h"
#include "cli/CliCommands.h"
#include "encode/EncodeThreads.h"

#include "base/PartFile.h"
#include "base/SignalWatch.h"
#include "base/TempFolders.h"

#include <CLI/CLI.hpp>

#include <nlohmann/json.hpp>

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <limits.h>
#include <optional>
#include <sched.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kMaxJobs = 64;

struct SBatchArgs {
    std::string jobsPath, report;
    int jobs = 0;
    int index = -1;
    bool retryFailed = false;
};

// What a finished or failed job leaves beside its output, OUTPUT.kvjob.
struct SRecord {
    std::string digest;
    int exit = -1;
};

std::string RecordPath(const std::string& output) {
    return output + ".kvjob";
}

std::optional<SRecord> ReadRecord(const std::string& output) {
    std::ifstream in(RecordPath(output));
    if (!in)
        return std::nullopt;
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Json json = Json::parse(text, nullptr, false);
    if (!json.is_object() || !json.contains("digest") || !json["digest"].is_string() ||
        !json.contains("exit") || !json["exit"].is_number_integer())
        return std::nullopt;
    return SRecord{json["digest"].get<std::string>(), json["exit"].get<int>()};
}

bool WriteRecord(const std::string& output, const Json& record, std::string& why) {
    const std::string text = record.dump() + "\n";
    CPartFile file;
    return file.Create(RecordPath(output), why) && file.Write(text.data(), text.size(), why) &&
           file.Commit(true, why);
}

// The options of `render`, from its own definition, so a job takes exactly
// what the render command takes.
TRenderOptions RenderOptions() {
    CLI::App app;
    AddRenderCommand(app);
    TRenderOptions options;
    for (const CLI::Option* option : app.get_subcommand("render")->get_options())
        for (const std::string& name : option->get_lnames())
            options[name] = option->get_expected_max() == 0;
    return options;
}

// The processor time a render used, in its own threads and the kernel.
double CpuSeconds(const rusage& usage) {
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

std::string ClockText(double seconds) {
    char text[32];
    int s = int(std::lround(seconds));
    if (s >= 3600)
        std::snprintf(text, sizeof text, "%d:%02d:%02d", s / 3600, s / 60 % 60, s % 60);
    else
        std::snprintf(text, sizeof text, "%d:%02d", s / 60, s % 60);
    return text;
}

class CBatchRun {
public:
    CBatchRun(const SBatchArgs& args, std::vector<SBatchLine> lines)
        : m_args(args), m_lines(std::move(lines)), m_terminal(isatty(STDERR_FILENO) != 0),
          m_cores(UsableCores()) {
        for (auto& pid : m_pids)
            pid = 0;
    }

    int Run(const std::vector<std::size_t>& chosen) {
        char self[PATH_MAX];
        ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
        if (length <= 0)
            CliFail("cannot find the program's own file to run the renders");
        m_program.assign(self, std::size_t(length));
        std::string why;
        m_scratch = TempFolders::Make("batch", why);
        if (m_scratch.empty())
            CliFail("no temporary folder for the renders' messages: " + why);
        if (!m_args.report.empty()) {
            m_report = open(m_args.report.c_str(),
                            O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW, 0666);
            if (m_report < 0)
                CliFail(m_args.report + ": cannot be written: " + std::strerror(errno));
        }
        m_total = int(chosen.size());
        m_start = Clock::now();
        int code = kExitDone;
        {
            CSignalWatch::CCancelScope onSignal([this] { Cancel(); });
            std::size_t next = 0;
            while (!m_cancel && (next < chosen.size() || m_running.size() > 0)) {
                while (!m_cancel && next < chosen.size() && int(m_running.size()) < m_args.jobs)
                    Begin(m_lines[chosen[next++]]);
                if (!m_running.empty())
                    Reap();
            }
            while (!m_running.empty())
                Reap();
        }
        EndLine();
        TempFolders::Remove(m_scratch);
        if (m_report >= 0)
            close(m_report);
        std::fprintf(stderr, "kelvclip-cli: batch: %d done, %d skipped, %d failed%s\n", m_done,
                     m_skipped, m_failed, m_cancel ? ", cancelled" : "");
        if (m_cancel)
            code = kExitCancelled;
        else if (m_failed > 0)
            code = kExitFailed;
        return code;
    }

private:
    struct SRunning {
        pid_t pid = 0;
        const SBatchLine* line = nullptr;
        std::string temp, stats, log, digest;
        Clock::time_point start;
    };

    // On a termination signal (watcher thread): start no more jobs and ask
    // the running renders to cancel.
    void Cancel() {
        m_cancel = true;
        for (auto& pid : m_pids)
            if (pid_t p = pid.load(); p > 0)
                kill(p, SIGTERM);
    }

    void Begin(const SBatchLine& line) {
        Json entry{{"job", line.job.number}, {"line", line.line}};
        if (line.blank) {
            entry["status"] = "skipped";
            entry["reason"] = "blank line";
            Finish(entry, false);
            return;
        }
        if (!line.error.empty()) {
            Say(m_args.jobsPath + ":" + std::to_string(line.line) + ": " + line.error);
            entry.update({{"status", "failed"}, {"exit", kExitUsage}, {"error", line.error}});
            Finish(entry, true);
            return;
        }
        const SBatchJob& job = line.job;
        entry["output"] = job.output;
        const std::string digest = JobDigest(job, [this](const std::string& path) {
            auto known = m_digests.find(path);
            return known != m_digests.end() ? known->second : m_digests[path] = FileDigest(path);
        });
        std::optional<SRecord> record = ReadRecord(job.output);
        struct stat out {};
        const bool outputThere = lstat(job.output.c_str(), &out) == 0 && S_ISREG(out.st_mode);
        if (m_args.retryFailed && (!record || record->exit == 0)) {
            entry["status"] = "skipped";
            entry["reason"] = record ? "done before" : "not failed before";
            Finish(entry, false);
            return;
        }
        if (!digest.empty() && outputThere && record && record->exit == 0 && record->digest == digest) {
            entry["status"] = "skipped";
            entry["reason"] = "done before with the same inputs";
            Finish(entry, false);
            return;
        }
        // The folder first: a failure is recorded beside the output too.
        std::string error;
        std::error_code ec;
        const fs::path folder = fs::path(job.output).parent_path();
        if (!folder.empty() && !fs::is_directory(folder, ec) && !fs::create_directories(folder, ec))
            error = folder.string() + ": cannot be made: " + ec.message();
        for (const std::string& input : Inputs(job)) {
            struct stat in {};
            if (digest.empty() && error.empty() && access(input.c_str(), R_OK) != 0)
                error = input + ": cannot be read: " + std::strerror(errno);
            if (outputThere && stat(input.c_str(), &in) == 0 && in.st_dev == out.st_dev &&
                in.st_ino == out.st_ino)
                error = "the output is one of the inputs (" + input + "); writing it would destroy it";
        }
        if (error.empty() && digest.empty())
            error = "the template or a picture cannot be read";
        if (!error.empty()) {
            Say("job " + std::to_string(job.number) + " (line " + std::to_string(line.line) +
                "): " + error);
            entry.update({{"status", "failed"}, {"exit", kExitFailed}, {"error", error}});
            RecordFailure(job, digest, kExitFailed);
            Finish(entry, true);
            return;
        }
        RemoveStalePartials(job.output);
        Spawn(line, digest);
    }

    // A render writes beside its output, hidden, under a name that holds the
    // host and the batch's process number (which no other batch of any host
    // has at the same time) and ends in the output's extension, which picks
    // the kind of file: "<folder>/.<stem>.partial-<host>-<pid>-<job><ext>".
    static std::string PartialPrefix(const std::string& output) {
        const fs::path path(output);
        char host[64] = "host";
        gethostname(host, sizeof host - 1);
        return (path.parent_path() / ("." + path.stem().string() + ".partial-" + host + "-")).string();
    }

    static std::vector<std::string> Inputs(const SBatchJob& job) {
        std::vector<std::string> inputs{job.templatePath};
        for (const auto& [number, file] : job.replace)
            inputs.push_back(file);
        return inputs;
    }

    void Spawn(const SBatchLine& line, const std::string& digest) {
        const SBatchJob& job = line.job;
        SRunning run;
        run.line = &line;
        run.digest = digest;
        const fs::path out(job.output);
        run.temp = PartialPrefix(job.output) + std::to_string(getpid()) + "-" +
                   std::to_string(job.number) + out.extension().string();
        const std::string tag = m_scratch + "/job-" + std::to_string(job.number);
        run.stats = tag + ".stats";
        run.log = tag + ".log";
        std::vector<std::string> args = RenderArguments(job, run.temp);
        args.push_back("--stats=" + run.stats);
        // The renders running at once share the cores: each encoder takes
        // its share unless the job names its threads.
        const bool threadsNamed = std::any_of(job.options.begin(), job.options.end(),
                                              [](const std::string& option) {
                                                  return option.rfind("--threads=", 0) == 0;
                                              });
        if (!threadsNamed)
            args.push_back("--threads=" + std::to_string(std::max(1, m_cores / m_args.jobs)));
        std::vector<char*> argv{m_program.data()};
        for (std::string& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);

        const int log = open(run.log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
        TempFolders::AddFile(run.temp);
        const pid_t parent = getpid();
        run.start = Clock::now();
        const pid_t pid = log >= 0 && null >= 0 ? fork() : -1;
        if (pid == 0) {
            // Only async-signal-safe calls until exec: the parent has threads.
            sigset_t none;
            sigemptyset(&none);
            sigprocmask(SIG_SETMASK, &none, nullptr);
            // A render whose batch is gone stops instead of working on.
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (getppid() != parent)
                _exit(kExitCancelled);
            dup2(null, STDIN_FILENO);
            dup2(null, STDOUT_FILENO);
            dup2(log, STDERR_FILENO);
            execv(argv[0], argv.data());
            _exit(127);
        }
        const int forkError = errno;
        if (log >= 0)
            close(log);
        if (null >= 0)
            close(null);
        if (pid < 0) {
            TempFolders::ForgetFile(run.temp);
            const std::string error = std::string("the render cannot be started: ") + std::strerror(forkError);
            Say("job " + std::to_string(job.number) + ": " + error);
            Json entry{{"job", job.number}, {"line", line.line}, {"status", "failed"},
                       {"exit", kExitFailed}, {"output", job.output}, {"error", error}};
            Finish(entry, true);
            return;
        }
        run.pid = pid;
        for (auto& slot : m_pids) {
            pid_t free = 0;
            if (slot.compare_exchange_strong(free, pid))
                break;
        }
        // A signal that came while the render was being started.
        if (m_cancel)
            kill(pid, SIGTERM);
        m_running.push_back(std::move(run));
    }

    // Waits for one render to end and deals with its result.
    void Reap() {
        int status = 0;
        rusage usage{};
        pid_t pid = wait4(-1, &status, 0, &usage);
        if (pid < 0) {
            if (errno == ECHILD)
                m_running.clear();
            return;
        }
        for (auto& slot : m_pids) {
            pid_t mine = pid;
            if (slot.compare_exchange_strong(mine, 0))
                break;
        }
        auto run = std::find_if(m_running.begin(), m_running.end(),
                                [pid](const SRunning& r) { return r.pid == pid; });
        if (run == m_running.end())
            return;
        Ended(*run, status, usage);
        m_running.erase(run);
    }

    void Ended(const SRunning& run, int status, const rusage& usage) {
        const SBatchJob& job = run.line->job;
        const double seconds = std::chrono::duration<double>(Clock::now() - run.start).count();
        const int exit = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        Json entry{{"job", job.number},
                   {"line", run.line->line},
                   {"status", "done"},
                   {"exit", exit},
                   {"output", job.output},
                   {"frames", nullptr},
                   {"seconds", std::round(seconds * 100) / 100},
                   {"cpu_seconds", std::round(CpuSeconds(usage) * 100) / 100},
                   {"peak_memory_mb", std::round(double(usage.ru_maxrss) / 1024 * 10) / 10},
                   {"warnings", Json::array()}};
        std::string error;
        ReadLog(run.log, entry["warnings"], error);
        if (!WIFEXITED(status))
            error = std::string("the render was ended by signal ") + std::to_string(WTERMSIG(status)) +
                    " (" + strsignal(WTERMSIG(status)) + ")";
        std::ifstream statsFile(run.stats);
        Json stats = Json::parse(statsFile, nullptr, false);
        if (stats.is_object() && stats.contains("frames"))
            entry["frames"] = stats["frames"];
        std::string why;
        if (exit == 0) {
            // The record of other inputs goes first: a stop between the two
            // renames leaves an output without record, which is made again.
            unlink(RecordPath(job.output).c_str());
            if (rename(run.temp.c_str(), job.output.c_str()) != 0)
                error = job.output + ": cannot be put in place: " + std::strerror(errno);
            else if (!WriteRecord(job.output,
                                  Json{{"digest", run.digest}, {"exit", 0}, {"job", job.number},
                                       {"frames", entry["frames"]}},
                                  why))
                Say("job " + std::to_string(job.number) + ": " + RecordPath(job.output) +
                    ": cannot be written (the job will be made again): " + why);
        }
        RemovePartials(run.temp);
        for (const auto& warning : entry["warnings"])
            Say("job " + std::to_string(job.number) + ": warning: " + warning.get<std::string>());
        const bool failed = exit != 0 || !error.empty();
        if (failed && m_cancel) {
            entry["status"] = "cancelled";
            entry["error"] = "cancelled";
        } else if (failed) {
            entry["status"] = "failed";
            if (exit == 0)
                entry["exit"] = kExitFailed;
            entry["error"] = error.empty() ? "the render failed" : error;
            Say("job " + std::to_string(job.number) + " (line " + std::to_string(run.line->line) +
                ") failed: " + entry["error"].get<std::string>());
            RecordFailure(job, run.digest, entry["exit"].get<int>());
        }
        Finish(entry, failed && !m_cancel, !failed);
    }

    // Removes what runs on this host that no longer live left beside an
    // output: a batch killed with SIGKILL cannot remove its renders' files.
    static void RemoveStalePartials(const std::string& output) {
        const std::string prefix = fs::path(PartialPrefix(output)).filename().string();
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(fs::path(output).parent_path(), ec)) {
            const std::string name = entry.path().filename().string();
            if (name.rfind(prefix, 0) != 0)
                continue;
            const long pid = std::strtol(name.c_str() + prefix.size(), nullptr, 10);
            if (pid > 0 && kill(pid_t(pid), 0) != 0 && errno == ESRCH)
                fs::remove(entry.path(), ec);
        }
    }

    // Removes a job's temporary output and what its render may have left
    // under the temporary name of its own ("<temp>.part-XXXXXX") when it was
    // killed.
    static void RemovePartials(const std::string& temp) {
        unlink(temp.c_str());
        TempFolders::ForgetFile(temp);
        const fs::path path(temp);
        const std::string prefix = path.filename().string() + ".part-";
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(path.parent_path(), ec))
            if (entry.path().filename().string().rfind(prefix, 0) == 0)
                fs::remove(entry.path(), ec);
    }

    // The render's warnings, and its last error line as the job's error.
    static void ReadLog(const std::string& path, Json& warnings, std::string& error) {
        std::ifstream in(path);
        const std::string prefix = "kelvclip-cli: ", warning = "kelvclip-cli: warning: ";
        for (std::string text; std::getline(in, text);) {
            if (text.rfind(warning, 0) == 0)
                warnings.push_back(text.substr(warning.size()));
            else if (text.rfind(prefix, 0) == 0)
                error = text.substr(prefix.size());
        }
    }

    void RecordFailure(const SBatchJob& job, const std::string& digest, int exit) {
        std::string why;
        if (!WriteRecord(job.output, Json{{"digest", digest}, {"exit", exit}, {"job", job.number}}, why))
            Say("job " + std::to_string(job.number) + ": " + RecordPath(job.output) +
                ": cannot be written: " + why);
    }

    void Finish(Json& entry, bool failed, bool done = false) {
        if (failed)
            ++m_failed;
        else if (done)
            ++m_done;
        else
            ++m_skipped;
        if (done)
            ++m_rendered;
        if (m_report >= 0) {
            const std::string text = entry.dump() + "\n";
            std::string why;
            if (!CPartFile::WriteAll(m_report, text.data(), text.size(), why))
                Say(m_args.report + ": cannot be written: " + why);
        }
        Progress(entry);
    }

    // Jobs done, failed and the time left: a line kept up to date on a
    // terminal, a line a job otherwise.
    void Progress(const Json& entry) {
        const int finished = m_done + m_skipped + m_failed;
        const double elapsed = std::chrono::duration<double>(Clock::now() - m_start).count();
        std::string left = "--:--";
        if (m_rendered > 0)
            left = ClockText(elapsed / m_rendered * (m_total - finished));
        char text[200];
        std::snprintf(text, sizeof text, "batch: %d/%d, %d done, %d skipped, %d failed, %s left",
                      finished, m_total, m_done, m_skipped, m_failed, left.c_str());
        if (m_terminal) {
            std::fprintf(stderr, "\r%s ", text);
            std::fflush(stderr);
            m_lineOpen = true;
        } else {
            std::fprintf(stderr, "kelvclip-cli: %s (job %d %s)\n", text, entry["job"].get<int>(),
                         entry["status"].get<std::string>().c_str());
        }
    }

    void Say(const std::string& message) {
        EndLine();
        std::cerr << "kelvclip-cli: " << Printable(message) << '\n';
    }

    void EndLine() {
        if (m_lineOpen)
            std::fputc('\n', stderr);
        m_lineOpen = false;
    }

    const SBatchArgs& m_args;
    std::vector<SBatchLine> m_lines;
    const bool m_terminal;
    const int m_cores; // this process may use
    std::string m_program, m_scratch;
    int m_report = -1;
    std::vector<SRunning> m_running;
    std::array<std::atomic<pid_t>, kMaxJobs> m_pids;
    std::atomic<bool> m_cancel{false};
    std::map<std::string, std::string> m_digests;
    int m_total = 0, m_done = 0, m_skipped = 0, m_failed = 0, m_rendered = 0;
    bool m_lineOpen = false;
    Clock::time_point m_start;
};

void Run(SBatchArgs args, bool indexGiven) {
    std::ifstream in(args.jobsPath);
    if (!in)
        CliFail(args.jobsPath + ": cannot be read", kExitUsage);
    std::error_code ec;
    const std::string folder = fs::absolute(args.jobsPath, ec).parent_path().string();
    std::vector<SBatchLine> lines = ReadBatchJobs(in, folder, RenderOptions());

    if (!indexGiven)
        if (const char* task = std::getenv("SLURM_ARRAY_TASK_ID"); task && *task) {
            char* end = nullptr;
            long value = std::strtol(task, &end, 10);
            if (*end || value < 0 || value > INT_MAX)
                CliFail(std::string("SLURM_ARRAY_TASK_ID is not a job number: ") + task, kExitUsage);
            args.index = int(value);
            indexGiven = true;
        }
    std::vector<std::size_t> chosen;
    if (indexGiven) {
        if (args.index >= int(lines.size()))
            CliFail(args.jobsPath + ": no job " + std::to_string(args.index) + "; the file has jobs 0 to " +
                        std::to_string(int(lines.size()) - 1) + " (job K is line K+1)",
                    kExitUsage);
        chosen.push_back(std::size_t(args.index));
        args.jobs = 1;
    } else {
        for (std::size_t i = 0; i < lines.size(); ++i)
            if (!lines[i].blank)
                chosen.push_back(i);
    }
    if (args.jobs <= 0)
        args.jobs = UsableCores();
    args.jobs = std::min(args.jobs, kMaxJobs);
    CBatchRun run(args, std::move(lines));
    int code = run.Run(chosen);
    if (code != kExitDone)
        throw CLI::RuntimeError(code);
}

} // namespace

void AddBatchCommand(CLI::App& app) {
    auto args = std::make_shared<SBatchArgs>();
    CLI::App* batch = app.add_subcommand(
        "batch", "Render many videos from a job file (JSON lines; see docs/batch.md)");
    batch->add_option("jobs", args->jobsPath,
                      "Job file: one JSON object a line with template, output, replace, fields "
                      "and render's options")
        ->required();
    batch->add_option("-j,--jobs", args->jobs,
                      "Renders at a time (default: the cores this process may use)")
        ->check(CLI::Range(1, kMaxJobs));
    CLI::Option* index =
        batch->add_option("--index", args->index,
                          "Run job K only (line K+1); default: SLURM_ARRAY_TASK_ID when set")
            ->check(CLI::NonNegativeNumber);
    batch->add_option("--report", args->report,
                      "Append each job's outcome to FILE as a JSON line");
    batch->add_flag("--retry-failed", args->retryFailed,
                    "Run only the jobs whose last run failed (as recorded beside their outputs)");
    batch->callback([args, index] { Run(*args, index->count() > 0); });
}
