// Info strip boxes for a client width and the bandwidth-limit widening, the text anchors inside a box,
// and the coupling symbols.
#include <gtest/gtest.h>

#include <algorithm>

#include "display/info_strip_geometry.h"

namespace tarnix {
namespace {

TEST(InfoStripGeometry, BandwidthLimitWidensOnlyItsChannelAndTheTimeBoxHugsTheRight) {
    const InfoStripBoxes plain = ComputeInfoStripBoxes(640, false, false);
    EXPECT_EQ(plain.ch1, (StripBox{2, 2, 88, 23}));
    EXPECT_EQ(plain.ch2, (StripBox{132, 2, 220, 23}));
    EXPECT_EQ(plain.time, (StripBox{542, 2, 640, 23}));
    const InfoStripBoxes ch1 = ComputeInfoStripBoxes(640, true, false);
    EXPECT_EQ(ch1.ch1.right, 100);
    EXPECT_EQ(ch1.ch2, plain.ch2);
    const InfoStripBoxes ch2 = ComputeInfoStripBoxes(1920, false, true);
    EXPECT_EQ(ch2.ch1, plain.ch1);
    EXPECT_EQ(ch2.ch2.right, 232);
    EXPECT_EQ(ch2.time, (StripBox{1822, 2, 1920, 23}));
}

TEST(InfoStripGeometry, TextAnchorsInsideABox) {
    const StripBox box{132, 2, 232, 23};
    EXPECT_EQ(CouplingSymbolOrigin(box), (StripPoint{160, 12}));
    EXPECT_EQ(ValueTextOrigin(box), (StripPoint{174, 6}));
    EXPECT_EQ(NameTextOrigin(box), (StripPoint{134, 6}));
    // The "B" starts at the narrow box's last column, so only the widened box holds it.
    EXPECT_EQ(BandwidthTextOrigin(box), (StripPoint{219, 6}));
}

TEST(InfoStripGeometry, CouplingSymbolsStayInTheirCellAndDiffer) {
    const std::vector<StripSegment> symbols[3] = {CouplingSymbol(0), CouplingSymbol(1), CouplingSymbol(2)};
    for (const auto& symbol : symbols) {
        ASSERT_FALSE(symbol.empty());
        for (const StripSegment& s : symbol) {
            for (const StripPoint& p : {s.from, s.to}) {
                EXPECT_TRUE(p.x >= 0 && p.x <= 11 && p.y >= -6 && p.y <= 5) << p.x << "," << p.y;
            }
        }
    }
    const auto same = [](const std::vector<StripSegment>& a, const std::vector<StripSegment>& b) {
        return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                          [](const auto& l, const auto& r) { return l.from == r.from && l.to == r.to; });
    };
    EXPECT_FALSE(same(symbols[0], symbols[1]));
    EXPECT_FALSE(same(symbols[0], symbols[2]));
    EXPECT_FALSE(same(symbols[1], symbols[2]));
    EXPECT_EQ(symbols[0].size(), 4u); // DC: the line and three dashes
}

} // namespace
} // namespace tarnix
