// Info strip boxes for a client width and the bandwidth-limit widening, the text anchors inside a box,
// and the coupling symbols.
#include <gtest/gtest.h>

#include <algorithm>

#include "display/info_strip_geometry.h"

namespace tarnix {
namespace {

TEST(InfoStripGeometry, BoxesWithoutBandwidthLimit) {
    const InfoStripBoxes boxes = ComputeInfoStripBoxes(640, false, false);
    EXPECT_EQ(boxes.ch1, (StripBox{2, 2, 88, 23}));
    EXPECT_EQ(boxes.ch2, (StripBox{132, 2, 220, 23}));
    EXPECT_EQ(boxes.time, (StripBox{542, 2, 640, 23}));
    EXPECT_EQ(boxes.ch1.Width(), 86);
    EXPECT_EQ(boxes.time.Width(), 98);
}

TEST(InfoStripGeometry, BandwidthLimitWidensOnlyItsChannelByTwelve) {
    const InfoStripBoxes plain = ComputeInfoStripBoxes(800, false, false);
    const InfoStripBoxes ch1 = ComputeInfoStripBoxes(800, true, false);
    const InfoStripBoxes ch2 = ComputeInfoStripBoxes(800, false, true);
    EXPECT_EQ(ch1.ch1.Width() - plain.ch1.Width(), 12);
    EXPECT_EQ(ch1.ch2, plain.ch2);
    EXPECT_EQ(ch2.ch2.Width() - plain.ch2.Width(), 12);
    EXPECT_EQ(ch2.ch1, plain.ch1);
    EXPECT_EQ(ch2.ch2.right, 232);
}

TEST(InfoStripGeometry, TimeBoxFollowsTheWidth) {
    EXPECT_EQ(ComputeInfoStripBoxes(300, false, false).time, (StripBox{202, 2, 300, 23}));
    EXPECT_EQ(ComputeInfoStripBoxes(1920, true, true).time, (StripBox{1822, 2, 1920, 23}));
}

TEST(InfoStripGeometry, TextAnchorsInsideABox) {
    const StripBox box{132, 2, 232, 23};
    EXPECT_EQ(CouplingSymbolOrigin(box), (StripPoint{160, 12}));
    EXPECT_EQ(ValueTextOrigin(box), (StripPoint{174, 6}));
    EXPECT_EQ(NameTextOrigin(box), (StripPoint{134, 6}));
    EXPECT_EQ(BandwidthTextOrigin(box), (StripPoint{219, 6}));
    // The "B" starts at the narrow box's last column, so only the widened box holds it.
    EXPECT_LT(BandwidthTextOrigin(box).x, box.right);
    EXPECT_EQ(BandwidthTextOrigin(box).x, ComputeInfoStripBoxes(640, false, false).ch2.right - 1);
}

TEST(InfoStripGeometry, CouplingSymbolsStayInTheirCellAndDiffer) {
    const auto dc = CouplingSymbol(0);
    const auto ac = CouplingSymbol(1);
    const auto gnd = CouplingSymbol(2);
    for (const auto* symbol : {&dc, &ac, &gnd}) {
        ASSERT_FALSE(symbol->empty());
        for (const StripSegment& s : *symbol) {
            for (const StripPoint& p : {s.from, s.to}) {
                EXPECT_GE(p.x, 0);
                EXPECT_LE(p.x, 11);
                EXPECT_GE(p.y, -6);
                EXPECT_LE(p.y, 5);
            }
        }
    }
    auto same = [](const std::vector<StripSegment>& a, const std::vector<StripSegment>& b) {
        return a.size() == b.size() &&
               std::equal(a.begin(), a.end(), b.begin(),
                          [](const auto& l, const auto& r) { return l.from == r.from && l.to == r.to; });
    };
    EXPECT_FALSE(same(dc, ac));
    EXPECT_FALSE(same(dc, gnd));
    EXPECT_FALSE(same(ac, gnd));
}

} // namespace
} // namespace tarnix
