#pragma once

#include "encode/MpgEncodeEngine.h"

#include <memory>

// The MPEG engine the output page creates: at each encode it makes the engine
// that does the work, copies the settings into it and hands the encode over.
// The work is done by the built-in CMcMpgEngine, or by CTMpgEngine when the
// setting "Encoder" is 1 and the external encoder is installed.
class CMpgEngine final : public CMpgEncodeEngine {
public:
    CMpgEngine();
    ~CMpgEngine() override;

    int Encode(IVideoSrc* video, IAudioSrc* audio, const std::string& path,
               IProgress* progress) override;
    // The text of the working engine; empty before the first encode.
    [[nodiscard]] std::string GetErrorText() const override;

private:
    std::unique_ptr<CMpgEncodeEngine> m_engine;
};
