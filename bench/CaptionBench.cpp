// The caption layer of one slide with two captions at 720 x 576: a fading
// title and a line that pops in character by character, drawn for every frame
// of the captions on one thread. Prints the milliseconds one layer takes.
//
//   build/bin/bench_captions
#include "project/Slide.h"
#include "project/TextCaption.h"
#include "render/AlbumTextBuilder.h"
#include "render/BufferedFrame.h"
#include "render/TimerGenerate.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace {

CTextCaption Caption(const char* text, const char* effect, double y, int size) {
    CTextCaption caption;
    caption.m_text.m_text = text;
    caption.m_text.m_font = "DejaVu Sans";
    caption.m_text.m_size = size;
    caption.m_text.SetOwnColors(0xFFFFFF, 2, 0);
    caption.m_y = y;
    caption.m_start = 0;
    caption.m_duration = 4;
    caption.m_effect = effect;
    caption.m_effectInOut = 0.33;
    return caption;
}

double Run(const char* title, const char* perCharacterEffect) {
    CTimerGenerate clock;
    clock.SetFrameRate(25);
    CBufferedFrame layer(720, 576, true);
    CAlbumTextBuilder text(layer, 16.0 / 15.0, clock);
    CSlide slide;
    slide.AddCaption(Caption("Summer holidays", "Fade", 0.25, 24));
    slide.AddCaption(Caption("The whole family at the lake", perCharacterEffect, -0.3, 16));
    text.AddSlideCaptions(slide, 0, 1, 1);
    CTxtTracks& tracks = text.Tracks();
    double total = 0, worst = 0;
    int frames = 0;
    for (int pass = 0; pass < 5; ++pass)
        for (int f = 0; f < 100; ++f) {
            auto t0 = std::chrono::steady_clock::now();
            tracks.DrawFrame(f);
            double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
            // The first pass warms the layers up.
            if (pass == 0)
                continue;
            total += ms;
            worst = std::max(worst, ms);
            ++frames;
        }
    std::printf("%-40s %.3f ms per layer (worst %.2f ms after the first pass), %d captions\n", title, total / frames,
                worst, tracks.Count());
    return total / frames;
}

} // namespace

int main() {
    std::printf("caption layer, 720x576, two captions of 4 s at 25 fps\n");
    Run("Fade + Popin (per character)", "Popin");
    Run("Fade + Typewrite (per character)", "Typewrite");
    Run("Fade + Scattered (per character)", "Scattered");
    Run("Fade + Shadow Left (six copies)", "Shadow Left");
    Run("no effects", "");
    return 0;
}
