#include "project/MediaProbe.h"

#include <atomic>

namespace {

class CUnknownMedia final : public IMediaProbe {
public:
    bool ProbeSound(const std::string&, SSoundFacts& facts, std::string& error) override {
        facts = {};
        error = "No sound decoder is available.";
        return false;
    }
    double ProbeVideoDuration(const std::string&) override { return 0.0; }
};

CUnknownMedia g_unknown;
std::atomic<IMediaProbe*> g_probe{&g_unknown};
thread_local int t_noFiles = 0;

} // namespace

IMediaProbe& IMediaProbe::Get() {
    if (t_noFiles > 0)
        return g_unknown;
    return *g_probe.load(std::memory_order_acquire);
}

IMediaProbe::CNoFiles::CNoFiles() { ++t_noFiles; }
IMediaProbe::CNoFiles::~CNoFiles() { --t_noFiles; }
bool IMediaProbe::FilesClosed() { return t_noFiles > 0; }

void IMediaProbe::Install(IMediaProbe* probe) {
    g_probe.store(probe ? probe : &g_unknown, std::memory_order_release);
}
