#include "tests/plugins/transfx/TransitionFixture.h"

#include "plugins/transfx/Catalogue.h"

#include <gtest/gtest.h>

#include <cstring>

STestPicture::STestPicture(int width, int height,
                           const std::function<std::array<std::uint8_t, 4>(int, int)>& f)
    : STestPicture(width, height) {
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            auto px = f(x, y);
            std::memcpy(At(x, y), px.data(), 4);
        }
}

bool STestPicture::SameColours(const STestPicture& other) const {
    if (w != other.w || h != other.h)
        return false;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (Colour(x, y) != other.Colour(x, y))
                return false;
    return true;
}

STestPicture PictureA(int w, int h) {
    return STestPicture(w, h, [](int x, int y) {
        return std::array<std::uint8_t, 4>{std::uint8_t(x * 7), std::uint8_t(y * 3), 10, 0x11};
    });
}

STestPicture PictureB(int w, int h) {
    return STestPicture(w, h, [](int x, int y) {
        return std::array<std::uint8_t, 4>{std::uint8_t(255 - x), std::uint8_t(100 + y % 100), 250,
                                           0x22};
    });
}

STestPicture Solid(int w, int h, std::uint8_t b, std::uint8_t g, std::uint8_t r) {
    return STestPicture(w, h, [=](int, int) { return std::array<std::uint8_t, 4>{b, g, r, 0}; });
}

int CPictureSrc::GetFrame(std::uint8_t** bits, int* stride) {
    if (!m_available)
        return 0;
    *bits = m_picture.bytes.data();
    *stride = m_bottomUp ? -m_picture.w * 4 : m_picture.w * 4;
    return 1;
}

int TransitionIndex(const char* name) {
    for (int i = 0; i < transfx::kTransitionCount; ++i)
        if (std::strcmp(transfx::TransitionInfo(i)->name, name) == 0)
            return i;
    ADD_FAILURE() << "no transition " << name;
    return -1;
}

CTransitionRun::CTransitionRun(int index, int w, int h, int frames) : w(w), h(h), frames(frames) {
    effect = transfx::CreateTransition(index);
    if (!effect) {
        ADD_FAILURE() << "no transition " << index;
        return;
    }
    effect->SetSize(w, h);
    effect->SetFrameCount(frames);
}

CTransitionRun::~CTransitionRun() {
    if (effect)
        effect->Destroy();
}

void CTransitionRun::Set(const char* key, int value) {
    int count = 0;
    CEffectSetting* params = effect->GetParams(&count);
    for (int i = 0; i < count; ++i)
        if (std::strcmp(params[i].key, key) == 0) {
            EXPECT_TRUE(params[i].SetValue(value)) << key << " = " << value;
            return;
        }
    ADD_FAILURE() << "no parameter " << key;
}

STestPicture CTransitionRun::Frame(int i, const STestPicture& a, const STestPicture& b,
                                   bool bottomUp) {
    STestPicture ca = a, cb = b, d(w, h);
    CPictureSrc sa(ca, bottomUp), sb(cb, bottomUp);
    effect->SetSources(&sa, &sb);
    effect->Prepare();
    EXPECT_EQ(effect->Render(i, d.bytes.data(), bottomUp ? -w * 4 : w * 4), 0);
    effect->SetSources(nullptr, nullptr);
    return d;
}
