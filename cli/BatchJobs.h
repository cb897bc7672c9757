#pragma once

#include <functional>
#include <istream>
#include <map>
#include <string>
#include <vector>

// The job file of `kelvclip-cli batch`: JSON lines, one render a line, e.g.
//   {"template": "school.vez", "replace": {"1": "photos/ann.jpg"},
//    "fields": {"NAME": "Ann Smith"}, "output": "out/ann.mpg", "disc": "vcd"}
// "template" and "output" are required; "replace" maps template picture
// numbers to files (as render --replace N=PATH); "fields" maps caption field
// names to their text (as render --field NAME=TEXT); every other key is an
// option of `render` under its long name ("disc", "standard", "size", "wide",
// ...): a string or number for an option with a value, true or false for a
// flag. Relative paths are taken from the job file's folder. Blank lines are
// allowed; a job's number is its line number less one, so job K is line K+1.

struct SBatchJob {
    int number = 0;
    std::string templatePath;
    std::string output;
    std::vector<std::pair<int, std::string>> replace;
    std::map<std::string, std::string> fields;
    // Render options as arguments, "--name=value" or "--name", by name.
    std::vector<std::string> options;
};

// One line of the job file: a job, or why the line is not one.
struct SBatchLine {
    int line = 0;
    bool blank = false;
    SBatchJob job;
    std::string error;
};

// The options of `render` a job may set: long name → whether it is a flag.
using TRenderOptions = std::map<std::string, bool>;

// Reads every line of a job file. A bad line gets an error and never stops
// the lines after it; a job that writes the output of an earlier one is bad.
[[nodiscard]] std::vector<SBatchLine> ReadBatchJobs(std::istream& in, const std::string& folder,
                                                    const TRenderOptions& options);

// The arguments of `kelvclip-cli render` for a job that writes to output.
[[nodiscard]] std::vector<std::string> RenderArguments(const SBatchJob& job,
                                                       const std::string& output);

// The digest of what a job's video is made from: the bytes of its template
// and pictures, its fields, its options and the program's version, as 32 hex
// digits. fileDigest gives a file's digest (empty when it cannot be read,
// which makes the job's digest empty too).
[[nodiscard]] std::string JobDigest(const SBatchJob& job,
                                    const std::function<std::string(const std::string&)>& fileDigest);

// The MD5 digest of a file's bytes as 32 hex digits; empty when unreadable.
[[nodiscard]] std::string FileDigest(const std::string& path);
