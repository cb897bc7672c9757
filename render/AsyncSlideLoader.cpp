#include "render/AsyncSlideLoader.h"

#include "render/RenderModelBuilder.h"

#include <thread>

CAsyncSlideLoader::CAsyncSlideLoader(CRenderModelBuilder& builder, bool belowNormal)
    : m_builder(builder), m_event(AddEvent()) {
    SetWorkersBelowNormal(belowNormal);
    m_event->SetProc(this);
    m_event->Start("kv-loader");
}

CAsyncSlideLoader::~CAsyncSlideLoader() { Shutdown(); }

void CAsyncSlideLoader::Request(const CSlide* slide, IAssetLoader* assets, bool layoutsAllowed,
                                int startOffset) {
    {
        std::lock_guard lock(m_mutex);
        m_request = {slide, assets, layoutsAllowed, startOffset};
        m_pending = true;
    }
    SignalAll(false);
}

void CAsyncSlideLoader::OnEvent() {
    SRequest request;
    {
        std::lock_guard lock(m_mutex);
        if (!m_pending)
            return;
        request = m_request;
        m_pending = false;
    }
    if (m_builder.Load(request.slide, request.assets, request.layoutsAllowed, false) &&
        request.slide)
        m_builder.Start(request.startOffset);
    else
        m_builder.ClearFrame();
}

bool CAsyncSlideLoader::IsBusy() {
    {
        std::lock_guard lock(m_mutex);
        if (m_pending)
            return true;
    }
    return !m_event->Done().IsSet();
}

void CAsyncSlideLoader::WaitIdle() {
    // A request stored but not yet taken makes the worker run once more.
    for (;;) {
        m_event->Done().Wait();
        {
            std::lock_guard lock(m_mutex);
            if (!m_pending)
                return;
        }
        std::this_thread::yield();
    }
}
