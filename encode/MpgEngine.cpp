#include "encode/MpgEngine.h"

#include "encode/McMpgEngine.h"

CMpgEngine::CMpgEngine() = default;
CMpgEngine::~CMpgEngine() = default;

int CMpgEngine::Encode(IVideoSrc* video, IAudioSrc* audio, const std::string& path,
                       IProgress* progress) {
    m_engine.reset();
    m_engine = std::make_unique<CMcMpgEngine>();
    CopySettingsTo(*m_engine);
    return m_engine->Encode(video, audio, path, progress);
}

std::string CMpgEngine::GetErrorText() const {
    return m_engine ? m_engine->GetErrorText() : std::string();
}
