// kelvclip-cli batch end to end on small generated templates: the job file's
// bad lines, the resume rule, renders killed mid-way, one job by index, and
// caption fields filled per job.
#include "tests/support/MediaMaker.h"
#include "tests/support/RunCommand.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using Json = nlohmann::json;

namespace {

int RunCli(const std::string& args, std::string* output = nullptr) {
    return RunCommand(std::string(KV_CLI) + " " + args + " 2>&1", output);
}

// A template of one picture shown for the seconds given, with one caption.
std::string MakeTemplate(const CTempDir& dir, const std::string& name, const std::string& caption,
                         double seconds = 1) {
    dir.WriteFile("p.png", PngBytes(QuadrantImage(64, 48), false));
    Json album = {{"format", "kelvclip-album"},
                  {"version", 1},
                  {"name", name},
                  {"slides",
                   {{{"displayTime", seconds},
                     {"items", {{{"kind", "image"}, {"file", "p.png"}}}},
                     {"captions",
                      {{{"text", caption},
                        {"size", 24},
                        {"color", "#FFFFFF"},
                        {"start", 0},
                        {"duration", seconds}}}}}}}};
    dir.WriteFile(name + ".json", album.dump());
    std::string out;
    EXPECT_EQ(RunCli("pack " + (dir / (name + ".json")) + " -o " + (dir / (name + ".vez")), &out), 0) << out;
    return dir / (name + ".vez");
}

std::string Job(const std::string& output, const Json& extra = Json::object()) {
    Json job = {{"template", "t.vez"}, {"output", output}, {"disc", "vcd"}, {"standard", "pal"}};
    job.update(extra);
    return job.dump();
}

void WriteJobs(const CTempDir& dir, const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    dir.WriteFile("jobs.jsonl", text);
}

// The report's entries by job number (the last one of each).
std::map<int, Json> Report(const std::string& path) {
    std::map<int, Json> entries;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        Json entry = Json::parse(line);
        entries[entry["job"].get<int>()] = entry;
    }
    return entries;
}

std::set<std::string> FilesIn(const std::string& folder) {
    std::set<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec))
        names.insert(entry.path().filename().string());
    return names;
}

long long ModifiedNs(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return -1;
    return st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec;
}

std::string Batch(const CTempDir& dir, const std::string& options = "") {
    return "batch " + (dir / "jobs.jsonl") + " --report " + (dir / "report.jsonl") + " " + options;
}

// The render processes a batch runs.
std::vector<pid_t> Children(pid_t pid) {
    std::vector<pid_t> children;
    std::ifstream in("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) + "/children");
    for (pid_t child = 0; in >> child;)
        children.push_back(child);
    return children;
}

bool Gone(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::size_t close = text.rfind(')');
    return text.empty() || (close != std::string::npos && text.size() > close + 2 && text[close + 2] == 'Z');
}

// Starts a batch and waits until its render has written something.
pid_t StartAndWaitForRender(const CTempDir& dir, pid_t& render) {
    const std::string jobs = dir / "jobs.jsonl", report = dir / "report.jsonl";
    // A batch killed outright cannot remove its scratch folder: it is made in
    // the test's own folder, not left in /tmp.
    const std::string scratch = dir / "tmp";
    fs::create_directories(scratch);
    std::vector<std::string> variables{"TMPDIR=" + scratch};
    for (char** variable = environ; *variable; ++variable)
        if (std::strncmp(*variable, "TMPDIR=", 7) != 0)
            variables.emplace_back(*variable);
    std::vector<char*> env;
    for (std::string& variable : variables)
        env.push_back(variable.data());
    env.push_back(nullptr);
    const char* argv[] = {KV_CLI, "batch", jobs.c_str(), "--jobs", "1", "--report", report.c_str(), nullptr};
    pid_t pid = fork();
    if (pid == 0) {
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 2);
        execve(KV_CLI, const_cast<char* const*>(argv), env.data());
        _exit(127);
    }
    render = 0;
    for (int i = 0; i < 600; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        std::vector<pid_t> children = Children(pid);
        bool writing = false;
        for (const std::string& name : FilesIn(dir / "out"))
            writing = writing || name.find(".part-") != std::string::npos;
        if (!children.empty() && writing) {
            render = children[0];
            break;
        }
    }
    return pid;
}

} // namespace

// Every bad line is named by its number and skipped; the good ones render,
// and the report has a line for each job.
TEST(BatchCommand, BadLinesAreNamedAndTheOthersStillRender) {
    CTempDir dir;
    MakeTemplate(dir, "t", "Hello %NAME%");
    WriteJobs(dir, {Job("out/a.mpg", {{"fields", {{"NAME", "Ann"}}}}),
                    "",
                    Job("out/b.mpg", {{"wide", "yes"}}),
                    R"({"template": "t.vez", "output": )",
                    Job("out/a.mpg"),
                    Job("out/c.mpg", {{"replace", {{"one", "p.png"}}}}),
                    Job("out/d.mpg", {{"fields", {{"FILE", "x"}}}}),
                    Job("out/e.mpg", {{"replace", {{"1", "missing.png"}}}}),
                    Job("out/f.mpg", {{"disc", "bluray"}}),
                    Job("out/g.mpg", {{"dics", "vcd"}}),
                    "[1, 2]",
                    Job("out/h.mpg", {{"wide", true}, {"fields", {{"NAME", 7}}}})});
    std::string text;
    EXPECT_EQ(RunCli(Batch(dir, "--jobs 2"), &text), 2) << text;
    const std::string jobs = dir / "jobs.jsonl";
    for (const char* named : {":3: \"wide\" wants true or false", ":4: not a JSON object",
                              ":5: \"output\" " /* ... is written by line 1 */, ":6: \"replace\": \"one\"",
                              ":7: \"fields\": \"FILE\"", ":10: unknown key \"dics\"", ":11: a job is a JSON object"})
        EXPECT_NE(text.find(jobs + named), std::string::npos) << named << "\n" << text;
    EXPECT_NE(text.find("written by line 1"), std::string::npos) << text;

    std::map<int, Json> report = Report(dir / "report.jsonl");
    ASSERT_EQ(report.size(), 11u) << "every line but the blank one";
    for (int job : {0, 11}) {
        EXPECT_EQ(report[job]["status"], "done") << report[job];
        EXPECT_EQ(report[job]["exit"], 0);
        EXPECT_EQ(report[job]["frames"], 125) << "a second and the two transitions of 2 s";
        EXPECT_GT(report[job]["seconds"].get<double>(), 0);
        EXPECT_GT(report[job]["peak_memory_mb"].get<double>(), 10);
        EXPECT_TRUE(report[job]["warnings"].empty());
    }
    EXPECT_EQ(report[11]["line"], 12);
    for (int job : {2, 3, 4, 5, 6, 9, 10})
        EXPECT_EQ(report[job]["exit"], 64) << report[job];
    // A render that fails says why in the report, with its exit status.
    EXPECT_EQ(report[7]["exit"], 2);
    EXPECT_NE(report[7]["error"].get<std::string>().find("missing.png"), std::string::npos) << report[7];
    EXPECT_EQ(report[8]["exit"], 64);
    EXPECT_NE(report[8]["error"].get<std::string>().find("--disc wants"), std::string::npos);
    // Whole videos under their names, the records beside them, and nothing
    // half made.
    EXPECT_EQ(FilesIn(dir / "out"),
              (std::set<std::string>{"a.mpg", "a.mpg.kvjob", "h.mpg", "h.mpg.kvjob", "e.mpg.kvjob",
                                     "f.mpg.kvjob"}));
}

// A job whose output exists with the digest of the same inputs is skipped;
// any change of template, picture, field or option renders it again, and
// --retry-failed runs only the jobs that failed.
TEST(BatchCommand, OnlyJobsWhoseInputsChangedRenderAgain) {
    CTempDir dir;
    MakeTemplate(dir, "t", "Hello %NAME%");
    dir.WriteFile("ann.png", PngBytes(QuadrantImage(32, 32), false));
    auto jobs = [&](const std::string& name, const std::string& standard) {
        WriteJobs(dir, {Job("out/a.mpg", {{"replace", {{"1", "ann.png"}}}}),
                        Job("out/b.mpg", {{"fields", {{"NAME", name}}}, {"standard", standard}}),
                        Job("out/c.mpg", {{"replace", {{"1", "later.png"}}}})});
    };
    jobs("Bob", "pal");
    std::string text;
    EXPECT_EQ(RunCli(Batch(dir), &text), 2) << text;
    const long long a = ModifiedNs(dir / "out/a.mpg"), b = ModifiedNs(dir / "out/b.mpg");
    ASSERT_GT(a, 0);
    ASSERT_GT(b, 0);
    auto status = [&](int job) { return Report(dir / "report.jsonl")[job]["status"].get<std::string>(); };

    EXPECT_EQ(RunCli(Batch(dir), &text), 2) << text;
    EXPECT_EQ(status(0), "skipped");
    EXPECT_EQ(status(1), "skipped");
    EXPECT_EQ(status(2), "failed") << "a failed job is tried again";
    EXPECT_EQ(ModifiedNs(dir / "out/a.mpg"), a);

    // Another field value, then another option: b again, a not.
    for (const auto& [name, standard] : {std::pair{"Bo", "pal"}, std::pair{"Bo", "ntsc"}}) {
        jobs(name, standard);
        EXPECT_EQ(RunCli(Batch(dir), &text), 2) << text;
        EXPECT_EQ(status(0), "skipped");
        EXPECT_EQ(status(1), "done");
    }
    EXPECT_EQ(Report(dir / "report.jsonl")[1]["frames"], 150) << "NTSC";
    // The picture's bytes, not its name or time, count.
    dir.WriteFile("ann.png", PngBytes(QuadrantImage(40, 30), false));
    EXPECT_EQ(RunCli(Batch(dir), &text), 2) << text;
    EXPECT_EQ(status(0), "done");
    EXPECT_EQ(status(1), "skipped");
    // An output without its record, or a record of a failure, is made again.
    fs::remove(dir / "out/a.mpg.kvjob");
    EXPECT_EQ(RunCli(Batch(dir), &text), 2) << text;
    EXPECT_EQ(status(0), "done");

    // --retry-failed: only c, which failed for want of its picture; a job
    // never run before is not started.
    dir.WriteFile("later.png", PngBytes(QuadrantImage(32, 32), false));
    WriteJobs(dir, {Job("out/a.mpg", {{"replace", {{"1", "ann.png"}}}}),
                    Job("out/b.mpg", {{"fields", {{"NAME", "new"}}}}),
                    Job("out/c.mpg", {{"replace", {{"1", "later.png"}}}})});
    EXPECT_EQ(RunCli(Batch(dir, "--retry-failed"), &text), 0) << text;
    EXPECT_EQ(status(0), "skipped");
    EXPECT_EQ(status(1), "skipped");
    EXPECT_EQ(status(2), "done");
    EXPECT_TRUE(fs::exists(dir / "out/c.mpg"));
}

// A render killed with SIGKILL loses only its own job, and leaves nothing
// under its output's name; so does a batch killed with SIGKILL. A rerun makes
// the lost job and skips the others.
TEST(BatchCommand, AJobKilledMidRenderIsMadeByTheNextRun) {
    CTempDir dir;
    MakeTemplate(dir, "t", "Killed %NAME%", 8);
    WriteJobs(dir, {Job("out/a.mpg", {{"disc", "dvd"}}), Job("out/b.mpg")});
    pid_t render = 0;
    pid_t batch = StartAndWaitForRender(dir, render);
    ASSERT_GT(render, 0) << "no render started";
    kill(render, SIGKILL);
    int status = 0;
    waitpid(batch, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2);
    std::map<int, Json> report = Report(dir / "report.jsonl");
    EXPECT_EQ(report[0]["status"], "failed");
    EXPECT_EQ(report[0]["exit"], 128 + SIGKILL);
    EXPECT_NE(report[0]["error"].get<std::string>().find("signal 9"), std::string::npos) << report[0];
    EXPECT_EQ(report[1]["status"], "done");
    EXPECT_EQ(FilesIn(dir / "out"), (std::set<std::string>{"a.mpg.kvjob", "b.mpg", "b.mpg.kvjob"}));

    // Now the batch itself: its render stops with it.
    batch = StartAndWaitForRender(dir, render);
    ASSERT_GT(render, 0) << "no render started";
    kill(batch, SIGKILL);
    waitpid(batch, &status, 0);
    for (int i = 0; i < 500 && !Gone(render); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(Gone(render)) << "the render outlived its batch";
    EXPECT_FALSE(fs::exists(dir / "out/a.mpg"));

    std::string text;
    EXPECT_EQ(RunCli(Batch(dir), &text), 0) << text;
    report = Report(dir / "report.jsonl");
    EXPECT_EQ(report[0]["status"], "done");
    EXPECT_EQ(report[0]["frames"], 300);
    EXPECT_EQ(report[1]["status"], "skipped");
    // What the killed runs left under temporary names is gone too.
    EXPECT_EQ(FilesIn(dir / "out"), (std::set<std::string>{"a.mpg", "a.mpg.kvjob", "b.mpg", "b.mpg.kvjob"}));
}

// --index K (or a job array's SLURM_ARRAY_TASK_ID) runs line K+1 alone.
TEST(BatchCommand, OneJobByIndex) {
    CTempDir dir;
    MakeTemplate(dir, "t", "%NAME%");
    WriteJobs(dir, {Job("out/0.mpg"), "", Job("out/2.mpg"), "nonsense"});
    std::string text;
    EXPECT_EQ(RunCli(Batch(dir, "--index 2"), &text), 0) << text;
    EXPECT_EQ(FilesIn(dir / "out"), (std::set<std::string>{"2.mpg", "2.mpg.kvjob"}));
    EXPECT_EQ(RunCommand("SLURM_ARRAY_TASK_ID=0 " + std::string(KV_CLI) + " " + Batch(dir) + " 2>&1", &text), 0)
        << text;
    EXPECT_TRUE(fs::exists(dir / "out/0.mpg"));
    // --index wins over the variable.
    fs::remove_all(dir / "out");
    EXPECT_EQ(RunCommand("SLURM_ARRAY_TASK_ID=0 " + std::string(KV_CLI) + " " + Batch(dir, "--index 2") + " 2>&1",
                         &text),
              0)
        << text;
    EXPECT_EQ(FilesIn(dir / "out"), (std::set<std::string>{"2.mpg", "2.mpg.kvjob"}));
    // A blank line is nothing to do; a bad one fails; past the end is bad usage.
    EXPECT_EQ(RunCli(Batch(dir, "--index 1"), &text), 0) << text;
    EXPECT_EQ(RunCli(Batch(dir, "--index 3"), &text), 2) << text;
    EXPECT_NE(text.find("jobs.jsonl:4: not a JSON object"), std::string::npos) << text;
    EXPECT_EQ(RunCli(Batch(dir, "--index 4"), &text), 64) << text;
    EXPECT_NE(text.find("the file has jobs 0 to 3"), std::string::npos) << text;
    EXPECT_EQ(RunCommand("SLURM_ARRAY_TASK_ID=x " + std::string(KV_CLI) + " " + Batch(dir) + " 2>&1", &text), 64);
}

// A caption's %NAME% shows the job's text exactly as a caption holding that
// text would; pack and info take such captions as they are.
TEST(BatchCommand, CaptionFieldsShowTheJobsText) {
    CTempDir dir;
    const std::string fielded = MakeTemplate(dir, "t", "Hi %NAME%, %SLIDE%/%SLIDES%");
    const std::string literal = MakeTemplate(dir, "lit", "Hi Ann 100%%, %SLIDE%/%SLIDES%");
    std::string text;
    ASSERT_EQ(RunCli("frame " + fielded + " --at 0.5 --field 'NAME=Ann 100%' -o " + (dir / "a.png"), &text), 0)
        << text;
    ASSERT_EQ(RunCli("frame " + literal + " --at 0.5 -o " + (dir / "b.png"), &text), 0) << text;
    ASSERT_EQ(RunCli("frame " + fielded + " --at 0.5 -o " + (dir / "c.png"), &text), 0) << text;
    EXPECT_EQ(ReadWholeFile(dir / "a.png"), ReadWholeFile(dir / "b.png"));
    EXPECT_NE(ReadWholeFile(dir / "a.png"), ReadWholeFile(dir / "c.png")) << "without the field, %NAME% shows";
    ASSERT_EQ(RunCli("info --json " + fielded, &text), 0) << text;
    const Json info = Json::parse(text);
    EXPECT_EQ(info["slides"][0]["captions"][0]["text"], "Hi %NAME%, %SLIDE%/%SLIDES%");
    EXPECT_EQ(info["fields"], Json::array({"NAME"})) << "the fields a job fills, not the slide facts";
    for (const char* bad : {"--field NAME", "--field 'FILE=x'", "--field 'A B=x'", "--field N=1 --field N=2"})
        EXPECT_EQ(RunCli("frame " + fielded + " --at 0.5 -o " + (dir / "d.png") + " " + bad, &text), 64) << bad;
}
