// The caption layer of one slide with two captions at 720 x 576: a fading
// title and a line that pops in character by character, drawn for every frame
// of the captions on one thread. Prints the milliseconds one layer takes.
// First, what a slide with many captions one after another costs in memory
// (the process's resident size, so run it before the others).
//
//   build/bin/bench_captions
#include "project/Slide.h"
#include "project/TextCaption.h"
#include "render/clock/TimerGenerate.h"
#include "render/frame/BufferedFrame.h"
#include "render/text/AlbumTextBuilder.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <string>

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

// The calling thread's processor time in milliseconds: steadier than the
// wall clock on a machine that other work shares.
double ThreadMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// The process's resident memory in MiB.
double ResidentMiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    return 0;
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
    double total = 0, worst = 0, processor = 0;
    int frames = 0;
    for (int pass = 0; pass < 5; ++pass)
        for (int f = 0; f < 100; ++f) {
            auto t0 = std::chrono::steady_clock::now();
            const double c0 = ThreadMs();
            tracks.DrawFrame(f);
            const double c1 = ThreadMs();
            double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
            // The first pass warms the layers up.
            if (pass == 0)
                continue;
            total += ms;
            processor += c1 - c0;
            worst = std::max(worst, ms);
            ++frames;
        }
    std::printf("%-40s %.3f ms per layer, processor %.3f ms (worst %.2f ms after the first "
                "pass), %d captions\n",
                title, total / frames, processor / frames, worst, tracks.Count());
    return total / frames;
}

// count captions of 0.2 s one after another on one slide, every fifth moving
// its characters; every frame drawn once.
void RunMany(int count) {
    const double start = ResidentMiB();
    CTimerGenerate clock;
    clock.SetFrameRate(25);
    CBufferedFrame layer(720, 576, true);
    CAlbumTextBuilder text(layer, 16.0 / 15.0, clock);
    CSlide slide;
    for (int i = 0; i < count; ++i) {
        const std::string name = "Caption " + std::to_string(i);
        CTextCaption caption = Caption(name.c_str(), i % 5 ? "Fade" : "Popin", -0.3, 20);
        caption.m_start = i * 0.2;
        caption.m_duration = 0.2;
        slide.AddCaption(caption);
    }
    const double c0 = ThreadMs();
    text.AddSlideCaptions(slide, 0, 1, 1);
    const double c1 = ThreadMs();
    const double loaded = ResidentMiB();
    double peak = loaded;
    CTxtTracks& tracks = text.Tracks();
    const int frames = count * 5;
    for (int f = 0; f < frames; ++f) {
        tracks.DrawFrame(f);
        if (f % 25 == 0)
            peak = std::max(peak, ResidentMiB());
    }
    const double c2 = ThreadMs();
    std::printf("%5d captions one after another: +%.0f MiB loaded, +%.0f MiB at most while "
                "drawing; processor %.0f ms loading, %.3f ms per layer\n",
                tracks.Count(), loaded - start, peak - start, c1 - c0, (c2 - c1) / frames);
}

} // namespace

int main() {
    std::printf("caption memory, 720x576\n");
    RunMany(100);
    RunMany(1000);
    std::printf("caption layer, 720x576, two captions of 4 s at 25 fps\n");
    Run("Fade + Popin (per character)", "Popin");
    Run("Fade + Typewrite (per character)", "Typewrite");
    Run("Fade + Scattered (per character)", "Scattered");
    Run("Fade + Shadow Left (six copies)", "Shadow Left");
    Run("no effects", "");
    return 0;
}
