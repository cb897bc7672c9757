#include "cli/BatchJobs.h"

#include "render/text/CaptionFields.h"

extern "C" {
#include <libavutil/md5.h>
#include <libavutil/mem.h>
}

#include <nlohmann/json.hpp>

#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;
using Json = nlohmann::json;

namespace {

// The keys a job sets by name rather than as render options, and render
// options that are not the job's to set.
bool IsReservedKey(const std::string& key) {
    return key == "template" || key == "output" || key == "replace" || key == "fields" ||
           key == "field" || key == "stats" || key == "help";
}

std::string Resolved(const std::string& folder, const std::string& path) {
    fs::path p(path);
    return (p.is_absolute() ? p : fs::path(folder) / p).lexically_normal().string();
}

std::string OptionNames(const TRenderOptions& options) {
    std::string names;
    for (const auto& [name, flag] : options)
        if (!IsReservedKey(name))
            names += (names.empty() ? "" : ", ") + name;
    return names;
}

// Fills job from one parsed line, or returns why it cannot.
std::string ReadJob(const Json& json, const std::string& folder, const TRenderOptions& options,
                    SBatchJob& job) {
    if (!json.is_object())
        return "a job is a JSON object, {\"template\": ..., \"output\": ...}";
    for (const char* key : {"template", "output"}) {
        auto value = json.find(key);
        if (value == json.end() || !value->is_string() || value->get<std::string>().empty())
            return std::string("\"") + key + "\" wants the path of a file";
    }
    job.templatePath = Resolved(folder, json["template"].get<std::string>());
    job.output = Resolved(folder, json["output"].get<std::string>());
    for (const auto& [key, value] : json.items()) {
        if (key == "template" || key == "output")
            continue;
        if (key == "replace") {
            if (!value.is_object())
                return "\"replace\" wants an object of picture numbers and files, {\"1\": \"ann.jpg\"}";
            for (const auto& [number, file] : value.items()) {
                int n = 0;
                char extra = 0;
                if (std::sscanf(number.c_str(), "%d%c", &n, &extra) != 1 || n < 1 ||
                    number.find_first_not_of("0123456789") != std::string::npos)
                    return "\"replace\": \"" + number + "\" is not a picture number (1, 2, ...)";
                if (!file.is_string() || file.get<std::string>().empty())
                    return "\"replace\": picture " + number + " wants the path of a file";
                job.replace.emplace_back(n, Resolved(folder, file.get<std::string>()));
            }
            continue;
        }
        if (key == "fields") {
            if (!value.is_object())
                return "\"fields\" wants an object of field names and texts, {\"NAME\": \"Ann\"}";
            for (const auto& [name, text] : value.items()) {
                if (!CaptionFields::IsFieldName(name))
                    return "\"fields\": \"" + name +
                           "\" is not a field name (letters, digits and _, not a built-in field)";
                if (text.is_string())
                    job.fields[name] = text.get<std::string>();
                else if (text.is_number())
                    job.fields[name] = text.dump();
                else
                    return "\"fields\": \"" + name + "\" wants a text";
            }
            continue;
        }
        auto option = options.find(key);
        if (option == options.end() || IsReservedKey(key))
            return "unknown key \"" + key + "\"; a job takes template, output, replace, fields and " +
                   OptionNames(options);
        if (option->second) {
            if (!value.is_boolean())
                return "\"" + key + "\" wants true or false";
            if (value.get<bool>())
                job.options.push_back("--" + key);
        } else if (value.is_string()) {
            job.options.push_back("--" + key + "=" + value.get<std::string>());
        } else if (value.is_number()) {
            job.options.push_back("--" + key + "=" + value.dump());
        } else {
            return "\"" + key + "\" wants a text or a number";
        }
    }
    return {};
}

std::string Hex(const std::uint8_t (&digest)[16]) {
    char hex[33];
    for (int i = 0; i < 16; ++i)
        std::snprintf(hex + 2 * i, 3, "%02x", digest[i]);
    return hex;
}

} // namespace

std::vector<SBatchLine> ReadBatchJobs(std::istream& in, const std::string& folder,
                                      const TRenderOptions& options) {
    std::vector<SBatchLine> lines;
    std::map<std::string, int> outputs;
    std::string text;
    for (int number = 1; std::getline(in, text); ++number) {
        SBatchLine line;
        line.line = number;
        line.job.number = number - 1;
        if (!text.empty() && text.back() == '\r')
            text.pop_back();
        if (text.find_first_not_of(" \t") == std::string::npos) {
            line.blank = true;
            lines.push_back(std::move(line));
            continue;
        }
        Json json = Json::parse(text, nullptr, false);
        if (json.is_discarded())
            line.error = "not a JSON object (one job a line, each on a single line)";
        else
            line.error = ReadJob(json, folder, options, line.job);
        if (line.error.empty()) {
            auto [earlier, added] = outputs.emplace(line.job.output, number);
            if (!added)
                line.error = "\"output\" " + line.job.output + " is written by line " +
                             std::to_string(earlier->second) + " already";
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

std::vector<std::string> RenderArguments(const SBatchJob& job, const std::string& output) {
    std::vector<std::string> args{"render", job.templatePath, "--output=" + output};
    for (const auto& [number, file] : job.replace)
        args.push_back("--replace=" + std::to_string(number) + "=" + file);
    for (const auto& [name, text] : job.fields)
        args.push_back("--field=" + name + "=" + text);
    args.insert(args.end(), job.options.begin(), job.options.end());
    return args;
}

std::string JobDigest(const SBatchJob& job,
                      const std::function<std::string(const std::string&)>& fileDigest) {
    // Each part on a line of its own, texts quoted as JSON, so no two jobs
    // read the same.
    std::string text = "kelvclip-cli " KV_VERSION " batch 1\n";
    auto file = [&](const std::string& what, const std::string& path) {
        std::string digest = fileDigest(path);
        text += what + " " + digest + "\n";
        return !digest.empty();
    };
    if (!file("template", job.templatePath))
        return {};
    for (const auto& [number, path] : job.replace)
        if (!file("replace " + std::to_string(number), path))
            return {};
    for (const auto& [name, value] : job.fields)
        text += "field " + name + " " + Json(value).dump() + "\n";
    for (const std::string& option : job.options)
        text += "option " + Json(option).dump() + "\n";
    // The kind of file the output is follows its extension.
    text += "extension " + Json(fs::path(job.output).extension().string()).dump() + "\n";
    std::uint8_t digest[16];
    av_md5_sum(digest, reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    return Hex(digest);
}

std::string FileDigest(const std::string& path) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    AVMD5* md5 = av_md5_alloc();
    if (!md5) {
        close(fd);
        return {};
    }
    av_md5_init(md5);
    std::vector<std::uint8_t> buffer(1 << 16);
    ssize_t got = 0;
    while ((got = read(fd, buffer.data(), buffer.size())) > 0)
        av_md5_update(md5, buffer.data(), std::size_t(got));
    close(fd);
    std::uint8_t digest[16];
    av_md5_final(md5, digest);
    av_free(md5);
    return got < 0 ? std::string() : Hex(digest);
}
