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
    // Oldest first, from a fifteenth of the colour up to all of it.
    ASSERT_EQ(h.PersistCount(kMath), 15);
    EXPECT_EQ(h.Entry(kMath, 0).points[0], 25);
    EXPECT_EQ(h.Entry(kMath, 14).points[4999], 39); // the whole frame is kept
    EXPECT_EQ(h.Entry(kMath, 0).colour, 0x110000u); // 255 / 15 = 17
    EXPECT_EQ(h.Entry(kMath, 14).colour, 0xFF0000u);
    EXPECT_EQ(h.PersistCount(kCh1), 0);
}

TEST(PersistHistory, EntryColourScalesEachComponentTruncated) {
    EXPECT_EQ(PersistEntryColour(0x80FF40, 2, 3), 0x55AA2Au); // 128*2/3 = 85, 64*2/3 = 42
}

} // namespace
} // namespace tarnix
