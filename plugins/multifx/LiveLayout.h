#pragma once

#include "plugins/multifx/Layout.h"
#include "plugins/multifx/Placement.h"

#include <cstdint>

// A layout that draws every frame itself: it places each picture through
// the host's picture interface and lays the warped picture over the frame.
class CLiveLayout : public CLayout {
public:
    CLiveLayout(const multifx::SLayoutInfo& info, int minPictures, int maxPictures);
    ~CLiveLayout() override = default;

    CEffectSetting* GetParams(int* count) override { return m_params.Get(count); }
    CEffectSetting* GetParamsFor(int, int* count) override { return GetParams(count); }
    SKeyFrameRecord* MakeKeyFrames(int, int, int* count) override;
    // Draws frame `frame` over dst (first row in memory, signed stride) and
    // returns 0. Without pictures, frames or a destination it draws nothing.
    int Render(int frame, std::uint8_t* dst, int stride) override;

protected:
    // Draws the pictures of frame f of F (F ≥ 1, at least one source).
    virtual void Draw(int f, int F) = 0;

    // Places source i and lays its warped picture over the frame; a picture
    // the host cannot give is skipped.
    void DrawPicture(int i, const SPlacement& at);
    // Every picture in its cell of the grid (what the grid layouts show once
    // their slots are over).
    void DrawGrid();

    // Appends the descriptor of a parameter (the layout is not valid when
    // memory runs out for it).
    void AddParam(const effectkit::SParam& param) { m_valid = m_params.Add(param) && m_valid; }
    [[nodiscard]] int Param(int i) const { return m_params.Value(i); }

private:
    effectkit::CParams m_params;
    int m_frame = 0;
    std::uint8_t* m_dst = nullptr;
    int m_stride = 0;
};

// The slot arithmetic of the layouts that show the pictures one at a time:
// slide frame f of F with n pictures gives slot length L = F ÷ n, current
// picture j = f ÷ L and frame t = f mod L within the slot.
struct SSlot {
    int length = 0;
    int current = 0;
    int t = 0;
    // Past the last picture's slot (the frames F mod n at the end), or no
    // slot at all because there are fewer frames than pictures.
    bool past = false;
};
SSlot SlotOf(int f, int F, int n);
// How far the slot's picture is out of its place: rising from 0 to 1 over the
// slot's first third, 1 in the middle, falling back to 0 over its last third.
double OutOfPlace(const SSlot& slot);
