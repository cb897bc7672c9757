#include "encode/MpgEngine.h"

#include "base/Settings.h"
#include "encode/McMpgEngine.h"
#include "encode/TMpgEngine.h"

CMpgEngine::CMpgEngine() = default;
CMpgEngine::~CMpgEngine() = default;

int CMpgEngine::Encode(IVideoSrc* video, IAudioSrc* audio, const std::string& path,
                       IProgress* progress) {
    m_engine.reset();
    // The external encoder when the setting asks for it and it is there.
    std::string program;
    if (GetSetting(Settings::Encoder) == 1)
        program = CTMpgEngine::FindProgram();
    if (!program.empty())
        m_engine = std::make_unique<CTMpgEngine>(program);
    else
        m_engine = std::make_unique<CMcMpgEngine>();
    CopySettingsTo(*m_engine);
    return m_engine->Encode(video, audio, path, progress);
}

std::string CMpgEngine::GetErrorText() const {
    return m_engine ? m_engine->GetErrorText() : std::string();
}
