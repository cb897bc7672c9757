#include "base/Event.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

TEST(Event, AutoResetConsumesOneSignal) {
    CEvent event(false);
    event.Set();
    event.Set(); // a second Set before any wait counts once
    EXPECT_TRUE(event.WaitFor(0ms));
    EXPECT_FALSE(event.WaitFor(10ms));
    EXPECT_FALSE(event.IsSet());
}

TEST(Event, ManualResetStaysSignalledAndReleasesEveryWaiter) {
    CEvent event(true);
    std::atomic<int> woken{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 4; ++i)
        waiters.emplace_back([&] {
            event.Wait();
            ++woken;
        });
    event.Set();
    for (auto& t : waiters)
        t.join();
    EXPECT_EQ(woken, 4);
    EXPECT_TRUE(event.IsSet());
    EXPECT_TRUE(event.WaitFor(0ms));
    event.Reset();
    EXPECT_FALSE(event.WaitFor(0ms));
}

TEST(Event, AutoResetWakesOneWaiterPerSignal) {
    CEvent event(false);
    std::atomic<int> woken{0};
    auto waiter = [&] {
        if (event.WaitFor(2s))
            ++woken;
    };
    std::thread a(waiter), b(waiter);
    event.Set();
    // Wait until one waiter took the signal, then release the other.
    while (woken.load() == 0)
        std::this_thread::yield();
    EXPECT_EQ(woken.load(), 1);
    event.Set();
    a.join();
    b.join();
    EXPECT_EQ(woken.load(), 2);
}

TEST(Event, InitialStateAndTimeout) {
    CEvent signalled(false, true);
    EXPECT_TRUE(signalled.WaitFor(0ms));
    CEvent quiet(true);
    auto start = CEvent::Clock::now();
    EXPECT_FALSE(quiet.WaitFor(20ms));
    EXPECT_GE(CEvent::Clock::now() - start, 20ms);
}

TEST(Event, WaitAllSharesOneDeadline) {
    CEvent a(false), b(false), c(true);
    CEvent* all[] = {&a, &b, &c};
    std::thread setter([&] {
        a.Set();
        b.Set();
        c.Set();
    });
    EXPECT_TRUE(CEvent::WaitAll(all, CEvent::Clock::now() + 5s));
    setter.join();
    // Auto-reset events were consumed by the wait; the manual one stays set.
    EXPECT_FALSE(a.IsSet());
    EXPECT_TRUE(c.IsSet());

    // One event that never comes: the whole wait ends at the shared deadline,
    // not after one timeout per event.
    a.Set();
    auto start = CEvent::Clock::now();
    EXPECT_FALSE(CEvent::WaitAll(all, start + 30ms));
    EXPECT_LT(CEvent::Clock::now() - start, 1s);
}
