#include "media/PictureBudget.h"
#include "render/frame/KeptPicture.h"
#include "render/frame/PictureStore.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

std::shared_ptr<const CKeptPicture> Grey(int width, int height) {
    std::vector<std::uint8_t> pixels(std::size_t(width) * std::size_t(height) * 4, 0x80);
    return CKeptPicture::Make(pixels.data(), width, height, width * 4, 0, 0, false);
}

} // namespace

// The store finds what clips show and holds nothing itself: a picture leaves
// when its last clip does, and its memory goes back to the budget.
TEST(PictureStore, FindsWhatClipsShowAndHoldsNothing) {
    const std::uint64_t before = CPictureBudget::InUse();
    CPictureStore store;
    const CPictureStore::SKey a{"a.png", 720, 576, false, false};
    CPictureStore::SKey drafted = a;
    drafted.draft = true;
    EXPECT_EQ(store.Find(a), nullptr);
    auto shown = store.Keep(a, Grey(30, 20));
    EXPECT_EQ(CPictureBudget::InUse(), before + 30 * 20 * 4);
    EXPECT_EQ(store.Find(a), shown);
    EXPECT_EQ(store.Find(drafted), nullptr);
    // A second decode of the same key gives way to the first.
    auto second = Grey(30, 20);
    EXPECT_EQ(store.Keep(a, second), shown);
    second.reset();
    EXPECT_EQ(store.Count(), 1);
    shown.reset();
    EXPECT_EQ(store.Count(), 0);
    EXPECT_EQ(store.Find(a), nullptr);
    EXPECT_EQ(CPictureBudget::InUse(), before);
    // A picture kept after the one before it went is the one found.
    auto third = store.Keep(a, Grey(30, 20));
    EXPECT_EQ(store.Find(a), third);
    // Forgetting leaves the clip its picture, but a look-up decodes afresh.
    store.Forget();
    EXPECT_EQ(store.Find(a), nullptr);
    EXPECT_EQ(third->Width(), 30);
}

// Loaders on several threads that decode one picture at once all end up
// showing the same one.
TEST(PictureStore, LoadersAtOnceShareOnePicture) {
    CPictureStore store;
    const CPictureStore::SKey key{"b.png", 100, 100, true, false};
    std::vector<std::shared_ptr<const CKeptPicture>> shown(4);
    std::vector<std::thread> loaders;
    for (std::size_t i = 0; i < shown.size(); ++i)
        loaders.emplace_back([&, i] {
            for (int round = 0; round < 50; ++round) {
                auto found = store.Find(key);
                shown[i] = found ? found : store.Keep(key, Grey(8, 8));
            }
        });
    for (std::thread& loader : loaders)
        loader.join();
    for (const auto& picture : shown)
        EXPECT_EQ(picture, shown[0]);
}
