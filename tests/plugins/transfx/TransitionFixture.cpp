#include "tests/plugins/transfx/TransitionFixture.h"

#include "plugins/transfx/Catalogue.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>

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
    for (int i = 0; i < transfx::TransitionCount(); ++i)
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

std::vector<STestPicture> Sequence(CTransitionRun& run, const std::vector<int>& frames,
                                   const STestPicture& a, const STestPicture& b, bool bottomUp) {
    std::vector<STestPicture> out;
    STestPicture ca = a, cb = b;
    CPictureSrc sa(ca, bottomUp), sb(cb, bottomUp);
    run.effect->SetSources(&sa, &sb);
    run.effect->Prepare();
    for (int i : frames) {
        ca = a;
        cb = b;
        STestPicture d(run.w, run.h);
        EXPECT_EQ(run.effect->Render(i, d.bytes.data(), bottomUp ? -run.w * 4 : run.w * 4), 0);
        out.push_back(std::move(d));
    }
    run.effect->SetSources(nullptr, nullptr);
    return out;
}

void ExpectStartOnAAndEndOnB(const STransitionCase& c) {
    const int index = TransitionIndex(c.name);
    for (auto [w, h] : {std::pair{64, 48}, std::pair{61, 37}, std::pair{36, 70}}) {
        const STestPicture a = PictureA(w, h), b = PictureB(w, h);
        for (int n : {2, 3, 4, 25}) {
            std::vector<int> all;
            for (int i = 0; i < n; ++i)
                all.push_back(i);
            for (int value = 0; value < c.values; ++value) {
                CTransitionRun run(index, w, h, n);
                if (c.key)
                    run.Set(c.key, value);
                for (bool bottomUp : {false, true}) {
                    const auto frames = Sequence(run, all, a, b, bottomUp);
                    const std::string what = std::string(c.name) + " " +
                                             (c.key ? c.key : "") + "=" + std::to_string(value) +
                                             " " + std::to_string(w) + "x" + std::to_string(h) +
                                             " n=" + std::to_string(n) +
                                             (bottomUp ? " bottom-up" : " top-down");
                    EXPECT_TRUE(frames.front().SameColours(a)) << "first frame of " << what;
                    EXPECT_TRUE(frames.back().SameColours(b)) << "last frame of " << what;
                }
            }
        }
    }
}
