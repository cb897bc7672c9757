// Multi-picture layouts through the render engine: a slide of four 4000 x
// 3000 JPEG photos (those of the reference album), 720 x 576 at 25 frames per
// second through CAlbumFrameSrc::GetFrame, as an encode draws it. Each live
// layout of the module is timed after the slide's loads; a key-frame layout
// is timed beside the same key-frames written into the pictures by hand.
//
//   build/bin/bench_layouts [photo folder]   (default $TMPDIR/kelvclip-bench-photos)
#include "bench/ReferenceAlbum.h"
#include "plugins/multifx/Layout.h"
#include "plugins/multifx/MultiCatalogue.h"

#include <cstdio>
#include <string>

namespace {

constexpr int kPictures = 4;

// One slide of 8 s with the four photos; with a layout name the layout
// places them, otherwise keys (when given) are written into the pictures.
void BuildSlide(CAlbum& album, const std::string& folder, const std::string& layout,
                const std::vector<std::vector<CKeyFrame>>* keys) {
    album.m_transitionName = "Fade Plugin";
    album.m_transitionLength = 0;
    CSlide slide;
    slide.m_displayTime = 8;
    slide.m_transitionLength = 0;
    slide.m_layoutName = layout;
    for (int i = 0; i < kPictures; ++i) {
        CImage image(ReferenceAlbum::MakePhoto(folder, i));
        if (keys) {
            image.ClearKeyFrames();
            for (const CKeyFrame& k : (*keys)[std::size_t(i)])
                image.AddKeyFrame(k);
        }
        slide.AddItem(image);
    }
    album.AddSlide(slide);
}

void Run(const char* title, CAlbum& album) {
    const ReferenceAlbum::STimedRender r = ReferenceAlbum::RenderTimed(album);
    std::printf("%-38s %4d frames  %7.1f fps  (%.2f ms/frame; loads %.0f ms; waits %d)\n", title,
                r.frames, r.frames / r.renderSeconds, 1000 * r.renderSeconds / r.frames,
                1000 * r.loadSeconds, r.waits);
}

// The key-frames a key-frame layout hands the host for four pictures, as
// the pictures' own.
std::vector<std::vector<CKeyFrame>> KeysOf(const std::string& name) {
    CLayout* layout = nullptr;
    for (int i = 0; i < CMultiCatalogue::Count() && !layout; ++i)
        if (name == CMultiCatalogue::Name(i))
            layout = CMultiCatalogue::Create(i);
    std::vector<std::vector<CKeyFrame>> keys(kPictures);
    int pictures = 0;
    const CEffectSetting* params = layout->GetParamsFor(kPictures, &pictures);
    for (int a = 0; a < pictures; ++a) {
        int count = params[a].count;
        const SKeyFrameRecord* r = params[a].Layouts();
        for (int k = 0; k < count; ++k) {
            CKeyFrame key;
            key.m_time = r[k].time;
            key.m_x = r[k].x;
            key.m_y = r[k].y;
            key.m_scale = r[k].scale;
            key.m_opacity = r[k].opacity;
            key.m_rotation = r[k].rotation;
            keys[std::size_t(a)].push_back(key);
        }
    }
    layout->Destroy();
    return keys;
}

} // namespace

int main(int argc, char** argv) {
    const std::string folder = ReferenceAlbum::PhotoFolder(argc > 1 ? argv[1] : nullptr);
    std::printf("one slide of %d photos of 4000x3000, 720x576 at 25 fps\n", kPictures);
    for (const char* live : {"Zoom Tile", "Zoom Tile2", "Circle Rotate", "Circle with Changing Pic",
                             "Tile to Random"}) {
        CAlbum album;
        BuildSlide(album, folder, live, nullptr);
        Run((std::string("live: ") + live).c_str(), album);
    }
    for (const char* name : {"Simple Tile", "Card Spread", "Flow Zoom"}) {
        CAlbum byLayout;
        BuildSlide(byLayout, folder, name, nullptr);
        Run((std::string("key-frames: ") + name).c_str(), byLayout);
        std::vector<std::vector<CKeyFrame>> keys = KeysOf(name);
        CAlbum byHand;
        BuildSlide(byHand, folder, "", &keys);
        Run("  the same placed by hand", byHand);
    }
    return 0;
}
