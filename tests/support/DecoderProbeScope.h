#pragma once

#include "audio/DecoderProbe.h"

// Installs the real decoders' media probe for a scope. Leaving the scope, a
// failed assertion included, puts the default probe back, so no later test of
// the same program runs with it by accident.
class CDecoderProbeScope {
public:
    CDecoderProbeScope() { CDecoderProbe::Install(); }
    CDecoderProbeScope(const CDecoderProbeScope&) = delete;
    CDecoderProbeScope& operator=(const CDecoderProbeScope&) = delete;
    ~CDecoderProbeScope() { IMediaProbe::Install(nullptr); }
};
