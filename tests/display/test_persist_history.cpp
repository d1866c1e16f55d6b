#include <gtest/gtest.h>

#include <array>

#include "acquisition/persist_history.h"

namespace tarnix {
namespace {

std::array<std::int16_t, kPersistPoints> Flat(std::int16_t level) {
    std::array<std::int16_t, kPersistPoints> a{};
    a.fill(level);
    return a;
}

TEST(PersistHistory, DepthThreeKeepsTheLastThreeFramesFaded) {
    InstrumentSettings s;
    CPersistHistory h(s);
    h.SetPersistenceOn(true);
    h.SetPersistenceDepth(3);
    for (std::int16_t k = 1; k <= 5; ++k) {
        const auto frame = Flat(static_cast<std::int16_t>(10 * k));
        h.AddPersistFrame(kCh1, frame.data(), 0x00FF00);
    }
    ASSERT_EQ(h.PersistCount(kCh1), 3);
    // Oldest first: frames 3, 4, 5 at 1/3, 2/3 and 3/3 of green (255 / 3 = 85).
    EXPECT_EQ(h.Entry(kCh1, 0).points[0], 30);
    EXPECT_EQ(h.Entry(kCh1, 1).points[4999], 40);
    EXPECT_EQ(h.Entry(kCh1, 2).points[2500], 50);
    EXPECT_EQ(h.Entry(kCh1, 0).colour, 0x005500u);
    EXPECT_EQ(h.Entry(kCh1, 1).colour, 0x00AA00u);
    EXPECT_EQ(h.Entry(kCh1, 2).colour, 0x00FF00u);
    EXPECT_EQ(h.PersistCount(kCh2), 0);
}

TEST(PersistHistory, SwitchAndDepthRules) {
    InstrumentSettings s;
    CPersistHistory h(s);
    const auto frame = Flat(100);
    h.SetPersistenceDepth(4);
    h.AddPersistFrame(kCh2, frame.data(), 0xFFFF00);
    EXPECT_EQ(h.PersistCount(kCh2), 0) << "switched off";
    h.SetPersistenceOn(true);
    EXPECT_EQ(s.persistenceOn, 1u);
    h.AddPersistFrame(kCh2, frame.data(), 0xFFFF00);
    h.AddPersistFrame(kRef, frame.data(), 0x00FFFF);
    EXPECT_EQ(h.PersistCount(kCh2), 1);
    EXPECT_EQ(h.Entry(kCh2, 0).colour, 0xFFFF00u) << "a single entry has the full colour";
    h.SetPersistenceOn(false);
    EXPECT_EQ(h.PersistCount(kCh2), 1) << "switching off keeps the queues";
    h.SetPersistenceOn(true);
    h.SetPersistenceDepth(2);
    EXPECT_EQ(s.persistenceDepth, 2);
    EXPECT_EQ(h.PersistCount(kCh2), 0) << "a new depth empties every queue";
    EXPECT_EQ(h.PersistCount(kRef), 0);
    h.SetPersistenceDepth(0);
    h.AddPersistFrame(kCh1, frame.data(), 0x00FF00);
    EXPECT_EQ(h.PersistCount(kCh1), 0) << "\"Min\" holds none";
    h.SetPersistenceDepth(99);
    EXPECT_EQ(s.persistenceDepth, 0) << "outside the list: ignored";
    EXPECT_EQ(h.PersistCount(-1), 0);
    EXPECT_EQ(h.PersistCount(4), 0);
    // The deepest setting holds fifteen frames and wraps around its ring.
    h.SetPersistenceDepth(15);
    for (int k = 0; k < 40; ++k) {
        const auto f = Flat(static_cast<std::int16_t>(k));
        h.AddPersistFrame(kMath, f.data(), 0xFF0000);
    }
    ASSERT_EQ(h.PersistCount(kMath), 15);
    EXPECT_EQ(h.Entry(kMath, 0).points[0], 25);
    EXPECT_EQ(h.Entry(kMath, 14).points[0], 39);
    EXPECT_EQ(h.Entry(kMath, 0).colour, 0x110000u); // 255 / 15 = 17
}

TEST(PersistHistory, EntryColourScalesEachComponent) {
    EXPECT_EQ(PersistEntryColour(0xFFFF00, 1, 3), 0x555500u);
    EXPECT_EQ(PersistEntryColour(0x80FF40, 2, 3), 0x55AA2Au); // 128*2/3 = 85, 64*2/3 = 42
    EXPECT_EQ(PersistEntryColour(0x123456, 4, 4), 0x123456u);
}

} // namespace
} // namespace tarnix
