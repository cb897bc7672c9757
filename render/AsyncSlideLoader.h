#pragma once

#include "render/clock/TimerBase.h"
#include "render/clock/TimerProcs.h"

#include <mutex>

class CRenderModelBuilder;
class CSlide;
class IAssetLoader;

// Loads a slot's slide on a worker of its own, so the preview never waits
// for a picture to decode. A newer request replaces one not yet taken.
class CAsyncSlideLoader final : public CTimerBase, private ITimerEventProc {
public:
    // belowNormal: the worker runs below normal priority, as the workers of
    // the clock it loads for do.
    CAsyncSlideLoader(CRenderModelBuilder& builder, bool belowNormal);
    ~CAsyncSlideLoader() override;

    void Request(const CSlide* slide, IAssetLoader* assets, bool layoutsAllowed, int startOffset);
    // Waits until no request is pending or being loaded.
    void WaitIdle();
    [[nodiscard]] bool IsBusy();

private:
    void OnEvent() override;

    CRenderModelBuilder& m_builder;
    CTimerEvent* m_event;
    std::mutex m_mutex;
    struct SRequest {
        const CSlide* slide = nullptr;
        IAssetLoader* assets = nullptr;
        bool layoutsAllowed = true;
        int startOffset = 0;
    } m_request;
    bool m_pending = false;
};
