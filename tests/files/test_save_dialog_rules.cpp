#include "files/save_dialog_rules.h"

#include <gtest/gtest.h>

namespace tarnix {
namespace {

TEST(SaveDialogRules, EnableAndSelectByTheChannelsThatAreOn) {
    SaveDialogState none = SaveDialogOnOpen(false, false, 1);
    EXPECT_FALSE(none.ch1Enabled);
    EXPECT_FALSE(none.ch2Enabled);
    EXPECT_FALSE(none.okEnabled);
    EXPECT_EQ(none.selected, -1);

    SaveDialogState onlyCh2 = SaveDialogOnOpen(false, true, 0);
    EXPECT_FALSE(onlyCh2.ch1Enabled);
    EXPECT_TRUE(onlyCh2.ch2Enabled);
    EXPECT_TRUE(onlyCh2.okEnabled);
    EXPECT_EQ(onlyCh2.selected, 1); // the channel that is on, whatever was chosen before

    SaveDialogState onlyCh1 = SaveDialogOnOpen(true, false, 1);
    EXPECT_TRUE(onlyCh1.ch1Enabled);
    EXPECT_FALSE(onlyCh1.ch2Enabled);
    EXPECT_EQ(onlyCh1.selected, 0);

    EXPECT_EQ(SaveDialogOnOpen(true, true, 1).selected, 1); // the last choice
    EXPECT_EQ(SaveDialogOnOpen(true, true, 0).selected, 0);
    EXPECT_EQ(SaveDialogOnOpen(true, true, 2).selected, -1);
    EXPECT_TRUE(SaveDialogOnOpen(true, true, 2).okEnabled);

    EXPECT_EQ(SaveChannelOnOk(0), 0);
    EXPECT_EQ(SaveChannelOnOk(1), 1);
    EXPECT_EQ(SaveChannelOnOk(-1), 2);
}

} // namespace
} // namespace tarnix
