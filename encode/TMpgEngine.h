#pragma once

#include "encode/FrameServe.h"
#include "encode/McMpgEngine.h"
#include "encode/MpgEncodeEngine.h"

#include <map>
#include <string>

// The external-encoder engine: it compresses nothing itself. It makes a
// placeholder file (the output path plus ".atv") that names a frame-serving
// channel, serves the album's frames and sound through it, writes a job file
// for the external encoder program from the job template of the disc type,
// runs the program as `PROGRAM /batch /close JOBFILE` and waits for it. For
// DVD the program writes video only (the output's name with the extension
// "MPV", or a unique name beside it when that is taken), which the built-in
// engine then multiplexes with the album's sound. Custom sizes, single
// pictures and outputs that are no regular file go to the built-in engine.
class CTMpgEngine final : public CMpgEncodeEngine {
public:
    using TStrings = std::map<std::string, std::string>;

    // The environment variable that tells the external program where the
    // command-line frame client is (set when the program folder holds it and
    // the environment does not name one already).
    static constexpr const char* kClientVariable = "KELVCLIP_FRAMECLIENT";
    // How long a cancelled program may take to end before it is killed.
    static constexpr int kTerminateGraceMs = 3000;

    // program: the external encoder; FindProgram by default.
    explicit CTMpgEngine(std::string program = FindProgram());
    ~CTMpgEngine() override;

    // The external encoder named by the setting "TMpgEnc" when that names an
    // existing file; empty when it is not installed.
    static std::string FindProgram();

    int Encode(IVideoSrc* video, IAudioSrc* audio, const std::string& path,
               IProgress* progress) override;
    [[nodiscard]] std::string GetErrorText() const override { return m_error; }

    // The job template of a format (0 DVD, 1 SVCD, 2 VCD); null for others.
    static const char* JobTemplate(int format);
    // The setting naming the profile (override) file of a format and
    // standard; null for the custom formats.
    static const char* ProfileKey(int format, bool pal);
    // The template's variables for this engine's settings.
    [[nodiscard]] TStrings JobVariables(const std::string& placeholder, const std::string& output,
                                        bool videoOnly) const;
    // Expands a template (lines ended by CR LF or LF) into job text (lines
    // ended by LF): "KEY = VALUE" lines whose value is a variable's name
    // get the variable's text; lines whose key has an override get the
    // override as value. A value opening a "<" block without closing it
    // makes the following lines up to one holding ">" its continuation:
    // copied unchanged, or dropped with the line they belong to when that
    // line was overridden.
    static std::string ExpandTemplate(const std::string& text, const TStrings& variables,
                                      const TStrings& overrides);
    // Reads an override file: "KEY = VALUE" lines, each stored as "JOB." +
    // KEY; a value starting with "{" goes on over the following lines,
    // joined by single spaces, up to a line holding "}". False with why set
    // when the file cannot be read.
    static bool ReadOverrides(const std::string& path, TStrings& overrides, std::string& why);

    // The built-in engine used for fallbacks and the DVD multiplexing.
    [[nodiscard]] CMcMpgEngine& Builtin() { return m_builtin; }

private:
    int Fail(std::string text);
    int EncodeBuiltin(IVideoSrc* video, IAudioSrc* audio, const std::string& path,
                      IProgress* progress);
    // Writes the job file, runs the program and waits for it; kDone,
    // kCancelled or kFailed (with m_error set). removeOutput: the output
    // is removed before the program starts.
    int RunJob(const std::string& output, bool removeOutput);

    std::string m_program;
    std::string m_error;
    CFrameServe m_server;
    CMcMpgEngine m_builtin;
    TStrings m_variables;
    TStrings m_overrides;
};
