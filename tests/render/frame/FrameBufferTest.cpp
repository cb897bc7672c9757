#include "render/frame/BufferedFrame.h"
#include "render/frame/ImageView.h"
#include "render/frame/TripleBuffer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

TEST(ImageView, RowsAreTopDownWhateverTheMemoryOrder) {
    std::vector<std::uint8_t> pixels(4 * 3 * 16, 0);
    CImageView up, down;
    down.Attach(pixels.data(), 3, 4, 16);
    up.Attach(pixels.data(), 3, 4, -16);
    EXPECT_TRUE(up.IsBottomUp());
    EXPECT_EQ(up.Stride(), 16);
    EXPECT_EQ(down.Row(0), pixels.data());
    EXPECT_EQ(up.Row(0), pixels.data() + 3 * 16); // the top row is last in memory
    // The rectangle's first row in memory: its bottom row when bottom-up.
    EXPECT_EQ(up.PixelAt({1, 1, 3, 3}), pixels.data() + 1 * 16 + 4);
    EXPECT_EQ(down.PixelAt({1, 1, 3, 3}), pixels.data() + 1 * 16 + 4);
    EXPECT_EQ(up.PixelAt({1, 0, 2, 1}), pixels.data() + 3 * 16 + 4);
    EXPECT_EQ(up.PixelAt({3, 0, 4, 1}), nullptr);
    EXPECT_EQ(up.PixelAt({0, 0, 1, 5}), nullptr);

    // Filling a rectangle (clipped) writes B, G, R, A of 0xAARRGGBB.
    up.Fill(0x80112233, {2, 0, 9, 1});
    const std::uint8_t* p = up.Row(0) + 8;
    EXPECT_EQ(p[0], 0x33);
    EXPECT_EQ(p[1], 0x22);
    EXPECT_EQ(p[2], 0x11);
    EXPECT_EQ(p[3], 0x80);
    EXPECT_EQ(up.Row(0)[4], 0);
    EXPECT_EQ(up.Row(1)[8], 0);
}

TEST(TripleBuffer, TheConsumerGetsTheNewestPublishedBuffer) {
    CTripleBuffer triple;
    EXPECT_TRUE(triple.Acquire());
    EXPECT_EQ(triple.Front(), 0); // nothing published yet
    int first = triple.Back();
    triple.Publish();
    int second = triple.Back();
    EXPECT_NE(first, second);
    triple.Publish(); // the newer frame replaces the older unread one
    EXPECT_EQ(triple.Back(), first);
    triple.Acquire();
    EXPECT_EQ(triple.Front(), second);
    EXPECT_FALSE(triple.IsFresh());
    // Producer and consumer never hold the same buffer.
    EXPECT_NE(triple.Front(), triple.Back());
}

TEST(TripleBuffer, ProducerAndConsumerRunConcurrently) {
    CBufferedFrame frame(64, 32, true);
    ASSERT_TRUE(frame.IsValid());
    std::atomic<bool> stop{false};
    std::thread producer([&] {
        for (std::uint32_t n = 1; n < 2000; ++n) {
            frame.FillBack(0xFF000000u | n);
            frame.Publish();
        }
        stop = true;
    });
    std::uint32_t last = 0;
    bool ordered = true, whole = true;
    while (!stop) {
        frame.Acquire();
        const CImageView& view = frame.FrontView();
        std::uint32_t a, b;
        std::memcpy(&a, view.Row(0), 4);
        std::memcpy(&b, view.Row(31) + 63 * 4, 4);
        whole = whole && a == b; // never a frame half drawn
        ordered = ordered && a >= last;
        last = a;
    }
    producer.join();
    EXPECT_TRUE(whole);
    EXPECT_TRUE(ordered);
}

TEST(BufferedFrame, AnOutputRectangleNarrowsEveryView) {
    CBufferedFrame frame(100, 50, true, {10, 5, 30, 25});
    ASSERT_TRUE(frame.IsValid());
    CImageView& back = frame.BackView();
    EXPECT_EQ(back.Width(), 20);
    EXPECT_EQ(back.Height(), 20);
    EXPECT_EQ(back.Row(0)[3], 0); // cleared to transparent black
    SRect* dirty = nullptr;
    frame.BackView(&dirty);
    frame.FillBack(0xFFFFFFFF, {0, 0, 5, 5});
    EXPECT_EQ(dirty->right, 5);
    frame.Publish();
    frame.Acquire();
    SRect front{};
    EXPECT_EQ(frame.FrontView(&front).Row(4)[0], 0xFF);
    EXPECT_EQ(front.bottom, 5);
}

TEST(BufferedFrame, InTurnOneBufferIsDrawnAndRead) {
    CBufferedFrame frame(40, 20, true, CBufferedFrame::ETurns::kInTurn);
    ASSERT_TRUE(frame.IsValid());
    frame.FillBack(0xFF102030, {0, 0, 4, 4});
    frame.Publish();
    EXPECT_TRUE(frame.Acquire());
    SRect drawn{};
    const CImageView& front = frame.FrontView(&drawn);
    EXPECT_EQ(&front, &frame.BackView());
    EXPECT_EQ(front.Row(3)[0], 0x30);
    EXPECT_EQ(front.Row(3)[16], 0); // outside the fill: still clear
    EXPECT_EQ(drawn.right, 4);
    // Drawing again keeps what the consumer saw and what it sees next apart
    // only in time: the next fill is read after the next hand-over.
    frame.FillBack(0xFF405060);
    frame.Publish();
    frame.Acquire();
    EXPECT_EQ(frame.FrontView().Row(10)[20], 0x60);
}

// A producer with nothing but a plain colour to show may leave a buffer that
// holds it already: each of the three buffers remembers its own fill, and
// taking one to draw in forgets it.
TEST(BufferedFrame, EachBufferRemembersBeingPlain) {
    CBufferedFrame frame(16, 8, false);
    EXPECT_FALSE(frame.BackIsPlain(0xFF000000));
    frame.FillBack(0xFF112233);
    EXPECT_TRUE(frame.BackIsPlain(0xFF112233));
    EXPECT_FALSE(frame.BackIsPlain(0xFF112234));
    frame.BackView(); // read only
    EXPECT_TRUE(frame.BackIsPlain(0xFF112233));
    frame.Publish(); // the next back buffer has never been filled
    EXPECT_FALSE(frame.BackIsPlain(0xFF112233));
    SRect* dirty = nullptr;
    frame.BackView(&dirty);
    frame.FillBack(0xFF112233, {0, 0, 2, 2});
    EXPECT_FALSE(frame.BackIsPlain(0xFF112233)) << "part of a fill is no plain buffer";
}
