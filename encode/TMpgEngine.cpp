#include "encode/TMpgEngine.h"

#include "audio/AudioSrc.h"
#include "base/Folders.h"
#include "base/Settings.h"
#include "base/TempFolders.h"
#include "encode/ExternalProgram.h"
#include "encode/FormatTable.h"
#include "encode/VideoSrc.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The job templates, one per disc type. Keys start with "JOB." so a profile
// file can replace any value; the values that depend on the album, the
// standard and the picture shape are variables.
// The lines every job shares: what it reads and writes, and the picture.
#define KV_JOB_HEAD(what, format, codec)                                                  \
    "; kelvclip encode job: " what "\r\n"                                                  \
    "JOB.Version = 1\r\n"                                                                 \
    "JOB.Source.Video = '$$VIDEO_SRC_FNAME'\r\n"                                          \
    "JOB.Source.Audio = '$$AUDIO_SRC_FNAME'\r\n"                                          \
    "JOB.Output.File = '$$VIDEO_OUT_FNAME'\r\n"                                           \
    "JOB.Output.StreamType = $$VIDEO_OUTPUT\r\n"                                          \
    "JOB.Output.Type = $$VIDEO_TYPE\r\n"                                                  \
    "JOB.Output.Format = " format "\r\n"                                                  \
    "JOB.Video.Codec = " codec "\r\n"                                                     \
    "JOB.Video.Width = $$VIDEO_WIDTH\r\n"                                                 \
    "JOB.Video.Height = $$VIDEO_HEIGHT\r\n"                                               \
    "JOB.Video.FrameRate = $$VIDEO_FRAMERATE\r\n"                                         \
    "JOB.Video.Format = $$VIDEO_FORMAT\r\n"                                               \
    "JOB.Video.SourceAspect = $$VIDEO_SRC_ASPECT\r\n"                                     \
    "JOB.Video.AspectRatio = $$VIDEO_ASPRATIO\r\n"
// ... and the groups of pictures and the sound, at the disc's sample rate.
#define KV_JOB_TAIL(audioRate)                                                            \
    "JOB.Gop.BFrames = 2\r\n"                                                             \
    "JOB.Gop.Closed = 1\r\n"                                                              \
    "JOB.Video.Decision = rd\r\n"                                                         \
    "JOB.Video.Trellis = 1\r\n"                                                           \
    "JOB.Audio.Codec = mp2\r\n"                                                           \
    "JOB.Audio.Rate = " audioRate "\r\n"                                                  \
    "JOB.Audio.BitRate = 224000\r\n"

constexpr const char* kDvdTemplate = KV_JOB_HEAD("DVD video", "dvd", "mpeg2video")
    "JOB.Video.BitRate = 6000000\r\n"
    "JOB.Video.MaxRate = 9000000\r\n"
    "JOB.Video.BufferSize = 1835008\r\n"
    "JOB.Gop.MaxFrames = $$GOP_MAXFRAME\r\n"
    "JOB.Gop.PFrames = $$GOP_P_FRAMECNT\r\n" KV_JOB_TAIL("48000");

constexpr const char* kSvcdTemplate = KV_JOB_HEAD("super video CD", "svcd", "mpeg2video")
    "JOB.Video.BitRate = 2040000\r\n"
    "JOB.Video.MaxRate = 2516000\r\n"
    "JOB.Video.BufferSize = 1835008\r\n"
    "JOB.Video.ScanOffset = 1\r\n" KV_JOB_TAIL("44100");

constexpr const char* kVcdTemplate = KV_JOB_HEAD("video CD", "vcd", "mpeg1video")
    "JOB.Video.BitRate = 1150000\r\n"
    "JOB.Video.MaxRate = 1150000\r\n"
    "JOB.Video.MinRate = 1150000\r\n"
    "JOB.Video.BufferSize = 327680\r\n" KV_JOB_TAIL("44100");

#undef KV_JOB_HEAD
#undef KV_JOB_TAIL

std::string Trim(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::string();
    const std::size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

bool IsRegularFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// Removes a regular file (never a device or a folder a path may name).
void RemoveFile(const std::string& path) {
    struct stat info {};
    if (lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode))
        unlink(path.c_str());
    TempFolders::ForgetFile(path);
}

std::string FileName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The path with the extension of its file name replaced (or added).
std::string WithExtension(const std::string& path, const std::string& extension) {
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    const bool has = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
    return (has ? path.substr(0, dot) : path) + "." + extension;
}

// Writes a whole file of mode 0600 (the channel's name and the job are the
// user's alone); false with why set.
bool WritePrivateFile(const std::string& path, const std::string& text, std::string& why) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        why = std::strerror(errno);
        return false;
    }
    fchmod(fd, 0600);
    TempFolders::AddFile(path);
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            why = std::strerror(n < 0 ? errno : ENOSPC);
            close(fd);
            return false;
        }
        done += std::size_t(n);
    }
    if (close(fd) != 0) {
        why = std::strerror(errno);
        return false;
    }
    return true;
}

// Creates an empty file of that name, or when the name is taken, of a name
// made unique beside it ("NAME-XXXXXX.EXT"); the file is registered as
// temporary. False with why set when neither can be made.
bool ReserveFile(const std::string& wanted, std::string& reserved, std::string& why) {
    int fd = open(wanted.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    reserved = wanted;
    if (fd < 0 && errno == EEXIST) {
        const std::size_t dot = wanted.rfind('.');
        const std::size_t slash = wanted.rfind('/');
        const bool has = dot != std::string::npos && (slash == std::string::npos || dot > slash);
        const std::string extension = has ? wanted.substr(dot) : std::string();
        reserved = (has ? wanted.substr(0, dot) : wanted) + "-XXXXXX" + extension;
        fd = mkostemps(reserved.data(), int(extension.size()), O_CLOEXEC);
    }
    if (fd < 0) {
        why = std::strerror(errno);
        return false;
    }
    close(fd);
    TempFolders::AddFile(reserved);
    return true;
}

} // namespace

CTMpgEngine::CTMpgEngine(std::string program) : m_program(std::move(program)) {}

CTMpgEngine::~CTMpgEngine() { m_server.Stop(); }

std::string CTMpgEngine::FindProgram() {
    const std::string program = GetSetting(Settings::TMpgEnc);
    return !program.empty() && IsRegularFile(program) ? program : std::string();
}

int CTMpgEngine::Fail(std::string text) {
    m_error = std::move(text);
    return kFailed;
}

const char* CTMpgEngine::JobTemplate(int format) {
    switch (format) {
    case kDvd: return kDvdTemplate;
    case kSvcd: return kSvcdTemplate;
    case kVcd: return kVcdTemplate;
    default: return nullptr;
    }
}

const char* CTMpgEngine::ProfileKey(int format, bool pal) {
    switch (format) {
    case kDvd: return pal ? Settings::TMpgEncDvdPAL.name : Settings::TMpgEncDvdNTSC.name;
    case kSvcd: return pal ? Settings::TMpgEncSvcdPAL.name : Settings::TMpgEncSvcdNTSC.name;
    case kVcd: return pal ? Settings::TMpgEncVcdPAL.name : Settings::TMpgEncVcdNTSC.name;
    default: return nullptr;
    }
}

CTMpgEngine::TStrings CTMpgEngine::JobVariables(const std::string& placeholder,
                                                const std::string& output, bool videoOnly) const {
    const bool pal = m_pal == 1, wide = m_wide == 1;
    TStrings v;
    v["$$VIDEO_SRC_FNAME"] = placeholder;
    v["$$VIDEO_OUT_FNAME"] = output;
    v["$$VIDEO_FRAMERATE"] = pal ? "3" : "4";
    v["$$VIDEO_FORMAT"] = pal ? "1" : "2";
    v["$$VIDEO_SRC_ASPECT"] = wide ? "14" : "13";
    v["$$VIDEO_OUTPUT"] = videoOnly ? "MPEG_OutputStreamType_VideoOnly"
                                    : "MPEG_OutputStreamType_System_VideoAudio";
    v["$$AUDIO_SRC_FNAME"] = videoOnly ? std::string() : placeholder;
    // Only the disc formats have job templates.
    const SFormatRow* row = CFormatTable::OfMpegFormat(m_format);
    if (row && row->kind == SFormatRow::kDisc) {
        v["$$VIDEO_TYPE"] = std::string("$$") + row->label + (pal ? "_PAL" : "_NTSC");
        v["$$VIDEO_WIDTH"] = std::to_string(row->width);
        v["$$VIDEO_HEIGHT"] = std::to_string(row->Height(pal));
    }
    if (m_format == kVcd)
        v["$$VIDEO_ASPRATIO"] = wide ? (pal ? "3" : "6") : (pal ? "8" : "12");
    else
        v["$$VIDEO_ASPRATIO"] = wide ? "3" : "2";
    if (m_format == kDvd) {
        v["$$GOP_P_FRAMECNT"] = pal ? "4" : "5";
        v["$$GOP_MAXFRAME"] = pal ? "15" : "18";
    }
    return v;
}

std::string CTMpgEngine::ExpandTemplate(const std::string& text, const TStrings& variables,
                                        const TStrings& overrides) {
    std::string job;
    bool inBlock = false, dropBlock = false;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        const std::size_t next = end == std::string::npos ? text.size() : end + 1;
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        start = next;

        if (inBlock) {
            if (line.find('>') != std::string::npos)
                inBlock = false;
            if (!dropBlock)
                job += line + "\n";
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals != std::string::npos) {
            const std::string key = Trim(line.substr(0, equals));
            std::string value = Trim(line.substr(equals + 1));
            if (value.size() >= 2 && value.front() == '\'' && value.back() == '\'')
                value = value.substr(1, value.size() - 2);
            const std::size_t open = line.find('<');
            const bool opens = open != std::string::npos && line.find('>', open) == std::string::npos;
            auto variable = variables.find(value);
            if (value.find("$$") != std::string::npos && variable != variables.end()) {
                for (std::size_t at = line.find(value); at != std::string::npos;
                     at = line.find(value, at + variable->second.size()))
                    line.replace(at, value.size(), variable->second);
                dropBlock = false;
            } else if (auto over = overrides.find(key); over != overrides.end()) {
                line = key + " = " + over->second;
                // The override replaces the whole value, continuation and all.
                dropBlock = true;
            } else {
                dropBlock = false;
            }
            inBlock = opens;
        }
        job += line + "\n";
    }
    return job;
}

bool CTMpgEngine::ReadOverrides(const std::string& path, TStrings& overrides, std::string& why) {
    std::ifstream in(path);
    if (!in) {
        why = std::strerror(errno ? errno : ENOENT);
        return false;
    }
    std::string line;
    std::string key, value;
    bool inValue = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (inValue) {
            const std::size_t close = line.find('}');
            const std::string piece = Trim(close == std::string::npos ? line : line.substr(0, close));
            if (!piece.empty())
                value += (value.empty() ? "" : " ") + piece;
            if (close != std::string::npos) {
                overrides["JOB." + key] = value;
                inValue = false;
            }
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        key = Trim(line.substr(0, equals));
        value = Trim(line.substr(equals + 1));
        if (key.empty())
            continue;
        if (!value.empty() && value.front() == '{') {
            const std::size_t close = value.find('}');
            if (close != std::string::npos) {
                overrides["JOB." + key] = value;
                continue;
            }
            inValue = true;
            value = Trim(value.substr(1));
            value = value.empty() ? "{" : "{ " + value;
            continue;
        }
        overrides["JOB." + key] = value;
    }
    if (inValue)
        overrides["JOB." + key] = value;
    if (in.bad()) {
        why = std::strerror(EIO);
        return false;
    }
    return true;
}

int CTMpgEngine::EncodeBuiltin(IVideoSrc* video, IAudioSrc* audio, const std::string& path,
                               IProgress* progress) {
    CopySettingsTo(m_builtin);
    const int result = m_builtin.Encode(video, audio, path, progress);
    m_error = m_builtin.GetErrorText();
    return result;
}

int CTMpgEngine::Encode(IVideoSrc* video, IAudioSrc* audio, const std::string& path,
                        IProgress* progress) {
    m_error.clear();
    // What the external program cannot take: no pictures, a single one,
    // custom sizes, or an output it cannot be handed by name (standard
    // output, a device or a pipe).
    struct stat target {};
    const bool inPlace = path == "-" || (lstat(path.c_str(), &target) == 0 && !S_ISREG(target.st_mode));
    if (!video || video->GetFrameCount() == 1 || m_format == kCustomMpeg2 ||
        m_format == kCustomMpeg1 || inPlace)
        return EncodeBuiltin(video, audio, path, progress);
    if (path.find_first_of("\r\n") != std::string::npos)
        return Fail("The output path \"" + path + "\" holds a line break, which a job file cannot name");
    if (m_program.empty() || !IsRegularFile(m_program))
        return Fail("The external encoder \"" + m_program +
                    "\" cannot be found; the setting \"TMpgEnc\" names the program to run");
    if (!JobTemplate(m_format))
        return Fail("There is no job template for the MPEG format " + std::to_string(m_format));

    // DVD: the program writes video only; the built-in engine multiplexes it
    // with the sound afterwards.
    const bool split = m_multiplex && m_format == kDvd;
    const bool videoOnly = !m_multiplex || split;
    std::string output = path;
    if (split) {
        std::string why;
        if (!ReserveFile(WithExtension(path, "MPV"), output, why))
            return Fail("The video-only stream beside \"" + path + "\" cannot be created: " + why);
    }

    // The job overrides of the format and standard.
    m_overrides.clear();
    if (const char* key = ProfileKey(m_format, m_pal == 1)) {
        const std::string profile = GetSettingString(key, "");
        std::string why;
        if (!profile.empty() && !ReadOverrides(profile, m_overrides, why))
            return Fail("The encoder profile \"" + profile + "\" (setting \"" + key +
                        "\") cannot be read: " + why);
    }

    // The placeholder names the channel; the channel's own name is random.
    const std::string placeholder = output + ".atv";
    std::string why;
    if (!m_server.Begin(FileName(placeholder), video, audio, progress)) {
        if (split)
            RemoveFile(output);
        return Fail("The frame server cannot be started: " + m_server.ErrorText());
    }
    if (!WritePrivateFile(placeholder, m_server.ChannelName() + "\n", why)) {
        m_server.Stop();
        RemoveFile(placeholder);
        if (split)
            RemoveFile(output);
        return Fail("The placeholder \"" + placeholder + "\" cannot be created: " + why);
    }

    m_variables = JobVariables(placeholder, output, videoOnly);
    // A video-only stream's name was reserved (by an empty file) so that two
    // encodes beside one another never share it; the final output is
    // removed first, so a program that writes nothing is seen as such.
    int result = RunJob(output, !split);
    m_server.Stop();
    RemoveFile(placeholder);
    if (m_server.WasCancelled())
        result = kCancelled;
    if (result == kDone && m_server.FramesServed() == 0)
        result = Fail("The external encoder \"" + m_program + "\" ended without reading any frame");
    struct stat written {};
    if (result == kDone && (stat(output.c_str(), &written) != 0 || written.st_size == 0))
        result = Fail("The external encoder \"" + m_program + "\" wrote nothing to \"" + output + "\"");
    if (result != kDone || !split) {
        // A cut or failed video-only stream is of no use to anyone.
        if (split)
            RemoveFile(output);
        return result;
    }

    // The sound from its start, whatever a client may have read of it.
    if (audio)
        audio->Seek(0, IAudioSrc::kFromStart);
    CopySettingsTo(m_builtin);
    result = m_builtin.EncodeFile(output, audio, path, progress);
    m_error = m_builtin.GetErrorText();
    if (result == kDone)
        RemoveFile(output);
    return result;
}

int CTMpgEngine::RunJob(const std::string& output, bool removeOutput) {
    if (removeOutput)
        RemoveFile(output);
    const std::string jobPath = output + ".tbe";
    std::string why;
    const std::string job = ExpandTemplate(JobTemplate(m_format), m_variables, m_overrides);
    if (!WritePrivateFile(jobPath, job, why)) {
        RemoveFile(jobPath);
        return Fail("The job file \"" + jobPath + "\" cannot be written: " + why);
    }
    std::vector<std::string> environment;
    const std::string client = GetProgramFolder() + "kelvclip-frameclient";
    if (!GetProgramFolder().empty() && access(client.c_str(), X_OK) == 0)
        environment.push_back(std::string(kClientVariable) + "=" + client);

    CExternalProgram program;
    if (!program.Start(m_program, {"/batch", "/close", jobPath}, environment, why)) {
        RemoveFile(jobPath);
        return Fail("The external encoder \"" + m_program + "\" cannot be started: " + why);
    }
    // The program runs until it ends by itself or the frame server sees a
    // cancel; then the program and whatever it started are ended.
    bool cancelled = false;
    while (!program.Wait(100)) {
        if (m_server.WasCancelled()) {
            cancelled = true;
            program.Terminate(kTerminateGraceMs);
            break;
        }
    }
    RemoveFile(jobPath);
    if (cancelled || m_server.WasCancelled())
        return kCancelled;
    if (!program.Succeeded()) {
        std::string text = "The external encoder \"" + m_program + "\" " + program.HowItEnded();
        const std::string last = program.LastOutputLine();
        return Fail(last.empty() ? text : text + ": " + last);
    }
    return kDone;
}
