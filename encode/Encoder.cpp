#include "encode/Encoder.h"

#include "encode/EncodeEngine.h"

#include "audio/AudioSrc.h"

#include "base/PartFile.h"

#include <sys/stat.h>
#include <unistd.h>

bool CEncoder::Begin(IVideoSrc* video, IAudioSrc* audio, const std::string& path,
                     CNoticeQueue* owner, bool opensAudio) {
    if (IsRunning())
        return false;
    m_video = video;
    m_audio = audio;
    m_opensAudio = opensAudio;
    m_path = path;
    return Start(owner);
}

namespace {

// Whether the output is written where it is named: standard output, a
// device or a pipe, or a link the caller chose to write through. A regular
// file (or a new one) is written beside its place and renamed there.
bool WrittenInPlace(const std::string& path) {
    struct stat info {};
    return path == "-" || (lstat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode));
}

// The engine's error text names the file the user asked for.
std::string NameTheOutput(std::string text, const std::string& temp, const std::string& path) {
    for (std::size_t at = text.find(temp); at != std::string::npos;
         at = text.find(temp, at + path.size()))
        text.replace(at, temp.size(), path);
    return text;
}

} // namespace

int CEncoder::Run() {
    // The video goes under a temporary name beside the output and takes the
    // output's name when it is done or cancelled (what a cancel leaves plays
    // up to where it stopped): the output path only ever holds one whole
    // file, even while two renders write to it, and a failure keeps what was
    // there before.
    CPartFile part;
    std::string target = m_path, why;
    if (!WrittenInPlace(m_path)) {
        if (!part.Create(m_path, why) || !part.Close(why)) {
            m_result = IEncodeEngine::kFailed;
            SetErrorText("Cannot create \"" + m_path + "\": " + why);
            return 0;
        }
        target = part.TempPath();
    }
    IAudioSrc* audio = m_audio;
    if (m_opensAudio && audio && !audio->Open())
        audio = nullptr;
    int r = m_engine.Encode(m_video, audio, target, this);
    // Closed before the owner hears that the encode is over.
    if (m_opensAudio && audio)
        audio->Close();
    m_result = r == IEncodeEngine::kDone || r == IEncodeEngine::kCancelled ? r
                                                                          : int(IEncodeEngine::kFailed);
    std::string error;
    if (m_result == IEncodeEngine::kFailed)
        // The text is copied now: the engine may be gone when the owner reads it.
        error = NameTheOutput(m_engine.GetErrorText(), target, m_path);
    else if (target != m_path && m_result == IEncodeEngine::kCancelled &&
             access(target.c_str(), F_OK) != 0)
        // Cancelled before the engine wrote anything (an external encoder
        // ended before it made the file): the output stays as it was.
        part.Discard();
    else if (target != m_path && !part.Commit(true, why)) {
        m_result = IEncodeEngine::kFailed;
        error = "Cannot write \"" + m_path + "\": " + why;
    }
    SetErrorText(error);
    return 0;
}
