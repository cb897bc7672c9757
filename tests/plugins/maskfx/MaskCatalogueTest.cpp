// The catalogue of the module: the shipped masks, the files of the mask
// folder, and what becomes of mask files that cannot be decoded.
#include "plugins/maskfx/FileMask.h"
#include "plugins/maskfx/MaskCatalogue.h"
#include "plugins/maskfx/MaskResources.h"
#include "plugins/maskfx/ResourceMask.h"
#include "tests/plugins/maskfx/MaskFixture.h"
#include "tests/support/MediaMaker.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <set>

namespace {

struct STransitionDeleter {
    void operator()(CMaskTransition* t) const {
        if (t)
            t->Destroy();
    }
};
using CTransitionPtr = std::unique_ptr<CMaskTransition, STransitionDeleter>;

std::string NameOf(IEffect& effect) {
    char name[260];
    effect.GetName(name, sizeof name);
    return name;
}

struct SShippedMask {
    const char* name;
    int id;
    bool gif;
    int width, height;
};

const SShippedMask kShipped[] = {
    {"Checker Mask", 105, false, 400, 300}, {"Circle Mask", 106, false, 400, 300},
    {"Hands Mask", 108, true, 400, 300},    {"Heart Mask", 109, false, 400, 300},
    {"Heart2 Mask", 110, false, 400, 300},  {"Lines Mask", 111, false, 400, 300},
    {"Lines2 Mask", 112, false, 400, 300},  {"Paint Mask", 113, false, 400, 300},
    {"Paint2 Mask", 114, false, 400, 300},  {"Pattern Mask", 115, false, 256, 256},
    {"Paws Mask", 116, true, 400, 300},     {"Plasma Mask", 117, false, 400, 300},
    {"Puzzle Mask", 118, true, 400, 300},   {"Radial Mask", 119, false, 400, 300},
    {"Star1 Mask", 120, false, 400, 300},   {"Star2 Mask", 121, false, 400, 300},
    {"Star3 Mask", 122, false, 400, 300},   {"Star4 Mask", 123, false, 400, 300},
    {"Texture Mask", 124, false, 256, 256}, {"Twirl Mask", 125, false, 400, 300},
    {"Twirl2 Mask", 126, false, 400, 300},
};

// Distinct levels of a decoded mask.
std::set<int> LevelsOf(const CMaskPicture& mask) {
    std::set<int> levels;
    for (int y = 0; y < mask.Height(); ++y)
        for (int x = 0; x < mask.Width(); ++x)
            levels.insert(mask.At(x, y));
    return levels;
}

} // namespace

// Every shipped mask: its place, name, parameters, format and size, decoded
// through the picture decoders.
TEST(MaskCatalogue, ShipsTheTwentyOneMasksInResourceOrder) {
    const CMaskCatalogue catalogue("");
    ASSERT_EQ(catalogue.Count(), 21);
    EXPECT_EQ(catalogue.Create(-1), nullptr);
    EXPECT_EQ(catalogue.Create(21), nullptr);
    for (int i = 0; i < 21; ++i) {
        const SShippedMask& expected = kShipped[i];
        EXPECT_EQ(maskfx::kMaskResources[i].id, expected.id);
        const std::uint8_t* bytes = maskfx::kMaskResources[i].data;
        EXPECT_EQ(bytes[0] == 'G' && bytes[1] == 'I' && bytes[2] == 'F', expected.gif) << expected.name;
        EXPECT_EQ(bytes[0] == 0xFF && bytes[1] == 0xD8, !expected.gif) << expected.name;

        CTransitionPtr t(catalogue.Create(i));
        ASSERT_NE(t, nullptr);
        auto* mask = dynamic_cast<CMaskTransition*>(t.get());
        ASSERT_NE(mask, nullptr);
        EXPECT_EQ(t->GetType(), kEffectTransition);
        EXPECT_EQ(NameOf(*t), expected.name);
        char display[260];
        t->GetDisplayName(display, sizeof display);
        EXPECT_STREQ(display, expected.name);

        int count = 0;
        CEffectSetting* params = t->GetParams(&count);
        ASSERT_EQ(count, 2);
        EXPECT_STREQ(params[0].key, "Direction");
        EXPECT_STREQ(params[0].label, "Direction");
        EXPECT_EQ(params[0].kind, CEffectSetting::kChoice);
        ASSERT_EQ(params[0].count, 2);
        EXPECT_STREQ(params[0].ChoiceLabel(0), "Forward");
        EXPECT_STREQ(params[0].ChoiceLabel(1), "Backward");
        EXPECT_EQ(params[0].value, 0);
        EXPECT_STREQ(params[1].key, "Softness");
        EXPECT_EQ(params[1].kind, CEffectSetting::kRange);
        EXPECT_EQ(params[1].RangeMin(), 0);
        EXPECT_EQ(params[1].RangeMax(), 10);
        EXPECT_EQ(params[1].value, 5);
        EXPECT_FALSE(params[1].SetValue(11));

        const CMaskPicture* picture = mask->Mask();
        ASSERT_NE(picture, nullptr) << expected.name << ": " << mask->Failure();
        EXPECT_EQ(picture->Width(), expected.width) << expected.name;
        EXPECT_EQ(picture->Height(), expected.height) << expected.name;
        const SEffectIcon* icon = t->GetIcon();
        ASSERT_NE(icon, nullptr);
        EXPECT_EQ(icon->width, expected.width);
        EXPECT_EQ(icon->bits[0], picture->At(0, 0));
        EXPECT_EQ(t->GetIcon(), icon);
    }
}

// What the table says of the artwork that a test can check: the flat-grey
// silhouette masks have exactly their number of levels besides white, and the
// ramps run the way their descriptions say.
TEST(MaskCatalogue, ShippedArtworkMatchesItsDescription) {
    const CMaskCatalogue catalogue("");
    auto maskOf = [&](const std::string& name) {
        for (int i = 0; i < catalogue.Count(); ++i) {
            CTransitionPtr t(catalogue.Create(i));
            if (t && NameOf(*t) == name)
                return t;
        }
        ADD_FAILURE() << "no mask " << name;
        return CTransitionPtr();
    };
    auto hands = maskOf("Hands Mask"), paws = maskOf("Paws Mask"), puzzle = maskOf("Puzzle Mask");
    std::set<int> levels = LevelsOf(*hands->Mask());
    EXPECT_EQ(levels.size(), 26u); // 25 hands and the white ground
    EXPECT_EQ(*levels.begin(), 0);
    EXPECT_EQ(*levels.rbegin(), 255);
    EXPECT_EQ(LevelsOf(*paws->Mask()).size(), 16u);
    levels = LevelsOf(*puzzle->Mask());
    EXPECT_EQ(levels.size(), 20u); // 19 levels of pieces and the white outlines
    EXPECT_EQ(*std::prev(levels.end(), 2), 240);

    auto checker = maskOf("Checker Mask");
    const CMaskPicture& c = *checker->Mask();
    EXPECT_LE(c.At(5, 5), 8);       // black at the top left
    EXPECT_GE(c.At(395, 295), 247); // white at the bottom right
    EXPECT_NEAR(c.At(30, 10) - c.At(10, 10), 64 + 191 / 33, 8); // its neighbour, 64 lighter

    auto lines = maskOf("Lines Mask"), radial = maskOf("Radial Mask");
    for (auto* m : {lines.get(), radial.get()}) {
        const CMaskPicture& p = *m->Mask();
        EXPECT_GE(p.At(200, 2), 200) << m->Failure();  // light at the top centre
        EXPECT_LE(p.At(200, 298), 30);                 // dark along the bottom
    }
    auto heart = maskOf("Heart Mask"), circle = maskOf("Circle Mask");
    EXPECT_LE(heart->Mask()->At(200, 160), 20);  // its core is black
    EXPECT_GE(heart->Mask()->At(5, 5), 200);     // light grey around
    EXPECT_LE(circle->Mask()->At(200, 150), 10); // the black disc at the centre
}

// File names: the three extensions in any case, nothing that only contains
// one; directories are left out and the files are listed by name.
TEST(MaskCatalogue, ListsMaskFilesOfTheFolderSortedByName) {
    EXPECT_TRUE(CMaskCatalogue::IsMaskName("a.jpg"));
    EXPECT_TRUE(CMaskCatalogue::IsMaskName("A.JpG"));
    EXPECT_TRUE(CMaskCatalogue::IsMaskName(".gif"));
    EXPECT_FALSE(CMaskCatalogue::IsMaskName("photo.JPG.png"));
    EXPECT_FALSE(CMaskCatalogue::IsMaskName("photo.jpeg"));
    EXPECT_FALSE(CMaskCatalogue::IsMaskName("jpg"));

    CTempDir dir;
    const std::string bmp = GreyBmp(8, 6, [](int x, int y) { return x * 30 + y; });
    for (const char* name : {"zebra.bmp", "Bird.GIF", "apple.jpg", "cloud.JPG", "notes.JPG.txt",
                             "photo.jpeg", "readme"})
        dir.WriteFile(name, bmp);
    std::filesystem::create_directory(dir / "folder.jpg");

    const CMaskCatalogue catalogue(dir.Path());
    ASSERT_EQ(catalogue.Count(), 25);
    const std::vector<std::string> expected = {"Bird.GIF", "apple.jpg", "cloud.JPG", "zebra.bmp"};
    for (int k = 0; k < 4; ++k) {
        CTransitionPtr t(catalogue.Create(21 + k));
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(NameOf(*t), expected[std::size_t(k)]);
        EXPECT_EQ(catalogue.Files()[std::size_t(k)], dir / expected[std::size_t(k)]);
    }
    EXPECT_EQ(catalogue.Create(25), nullptr);
    // A folder that does not exist offers the shipped masks alone.
    EXPECT_EQ(CMaskCatalogue(dir / "missing").Count(), 21);
}

// Masks that cannot be decoded stay in the catalogue; each one fails alone,
// with the decoder's reason, and the others still work.
TEST(MaskCatalogue, UndecodableMaskFilesFailAlone) {
    CTempDir dir;
    const std::string good = GreyBmp(16, 12, [](int x, int) { return x * 16; });
    std::string huge = GreyBmp(2, 2, [](int, int) { return 0; });
    for (int k = 0; k < 4; ++k) { // width and height 20000
        huge[18 + std::size_t(k)] = char((20000 >> (8 * k)) & 0xFF);
        huge[22 + std::size_t(k)] = char((20000 >> (8 * k)) & 0xFF);
    }
    const std::string jpeg = JpegBytes(QuadrantImage(64, 48));
    // A GIF whose logical screen claims 20000 × 20000.
    std::string hugeGif = GifBytes(2, 2, {0, 1, 1, 0}, {{0, 0, 0}, {255, 255, 255}}, -1);
    hugeGif[6] = hugeGif[8] = char(20000 & 0xFF);
    hugeGif[7] = hugeGif[9] = char(20000 >> 8);
    dir.WriteFile("a-text.jpg", "this is not a picture\n");
    dir.WriteFile("b-truncated.jpg", jpeg.substr(0, jpeg.size() / 3));
    dir.WriteFile("c-huge.bmp", huge);
    dir.WriteFile("d-empty.gif", "");
    dir.WriteFile("e-huge.gif", hugeGif);
    dir.WriteFile("f-good.bmp", good);
    dir.WriteFile("g-vanishing.jpg", jpeg);
    const CMaskCatalogue catalogue(dir.Path());
    ASSERT_EQ(catalogue.Count(), 28);
    std::filesystem::remove(dir / "g-vanishing.jpg");

    const SMaskTestPicture a = MaskPictureA(16, 12), b = MaskPictureB(16, 12);
    for (int index = 21; index < 28; ++index) {
        CTransitionPtr t(catalogue.Create(index));
        ASSERT_NE(t, nullptr) << index;
        auto& mask = dynamic_cast<CMaskTransition&>(*t);
        mask.SetSize(16, 12);
        mask.SetFrameCount(10);
        int status = 0;
        const SMaskTestPicture d = RenderMaskFrame(mask, 5, a, b, true, &status);
        const std::string name = NameOf(mask);
        if (name == "f-good.bmp") {
            EXPECT_EQ(status, 0);
            EXPECT_NE(t->GetIcon(), nullptr);
            continue;
        }
        EXPECT_EQ(status, -1) << name;
        EXPECT_TRUE(mask.ScaledMask().empty()) << name;
        EXPECT_EQ(t->GetIcon(), nullptr) << name;
        EXPECT_EQ(d.bytes, std::vector<std::uint8_t>(d.bytes.size(), 0)) << name << ": drew something";
        EXPECT_FALSE(mask.Failure().empty()) << name;
        EXPECT_EQ(mask.Failure().find('\n'), std::string::npos) << name;
    }
    // The reasons are the decoders' own.
    CFileMask text(dir / "a-text.jpg");
    EXPECT_EQ(text.Mask(), nullptr);
    EXPECT_EQ(text.Failure(), "Unknown file type.");
    CFileMask truncated(dir / "b-truncated.jpg");
    EXPECT_EQ(truncated.Mask(), nullptr);
    EXPECT_NE(truncated.Failure(), "");
    CFileMask hugeBmp(dir / "c-huge.bmp");
    EXPECT_EQ(hugeBmp.Mask(), nullptr);
    EXPECT_EQ(hugeBmp.Failure(), "The picture is too large: 20000 x 20000 pixels (at most 20000 a "
                                 "side and 268435456 in all).");

    // A shipped mask is still there after all that.
    CTransitionPtr shipped(catalogue.Create(0));
    EXPECT_NE(dynamic_cast<CMaskTransition&>(*shipped).Mask(), nullptr);
}

// Colours map to the nearest grey; a GIF's transparent colour is black, as
// the uncovered part of a freshly made bitmap is.
TEST(MaskCatalogue, ColoursBecomeTheirNearestGrey) {
    EXPECT_EQ(CMaskPicture::NearestGrey(0, 0, 1), 0);
    EXPECT_EQ(CMaskPicture::NearestGrey(0, 1, 1), 1);
    EXPECT_EQ(CMaskPicture::NearestGrey(10, 20, 30), 20);
    EXPECT_EQ(CMaskPicture::NearestGrey(255, 255, 255), 255);

    const std::string gif = GifBytes(3, 1, {0, 1, 2}, {{255, 0, 0}, {90, 90, 90}, {255, 255, 255}}, 2);
    CMaskPicture picture;
    std::string reason;
    ASSERT_TRUE(picture.Decode(reinterpret_cast<const std::uint8_t*>(gif.data()), gif.size(), reason))
        << reason;
    EXPECT_EQ(picture.At(0, 0), 85);
    EXPECT_EQ(picture.At(1, 0), 90);
    EXPECT_EQ(picture.At(2, 0), 0);
}
