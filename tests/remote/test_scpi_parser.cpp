// The SCPI text rules a VISA script relies on: mnemonics, numbers with units, command splitting,
// reply formats and the error queue.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "remote/remote_session.h"
#include "remote/scpi_parser.h"

namespace tarnix::scpi {
namespace {

TEST(ScpiMnemonic, LongAndShortFormsInAnyCase) {
    const struct {
        const char* pattern;
        const char* word;
        bool match;
    } rows[] = {
        {"CHANnel", "chan", true}, {"CHANnel", "Channel", true},   {"CHANnel", "CHANN", false},
        {"CHANnel", "CHA", false}, {"CHANnel", "CHANNELS", false}, {"VPP", "vpp", true},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(MatchMnemonic(row.pattern, row.word), row.match) << row.pattern << " " << row.word;
    }
}

TEST(ScpiNumber, DecimalFormsMultipliersAndUnits) {
    const struct {
        const char* text;
        Unit unit;
        double value;
    } good[] = {
        {"1 ms", Unit::kSecond, 1e-3}, {"+.5", Unit::kVolt, 0.5},   {"-2.5E+1", Unit::kNone, -25},
        {"10kHz", Unit::kHertz, 1e4},  {"1MHZ", Unit::kHertz, 1e6}, {"1mv", Unit::kVolt, 1e-3},
        {"2 us", Unit::kSecond, 2e-6}, {"4", Unit::kVolt, 4},       {"3MAV", Unit::kVolt, 3e6},
    };
    for (const auto& row : good) {
        const std::optional<double> value = ParseNumber(row.text, row.unit);
        ASSERT_TRUE(value.has_value()) << row.text;
        EXPECT_NEAR(*value, row.value, std::fabs(row.value) * 1e-12) << row.text;
    }
    const struct {
        const char* text;
        Unit unit;
        bool badSuffix;
    } bad[] = {
        {"abc", Unit::kVolt, false},   {".", Unit::kVolt, false}, {"", Unit::kVolt, false},
        {"5V", Unit::kSecond, true},   {"1e", Unit::kVolt, true}, {"2 volts", Unit::kVolt, true},
        {"1e999", Unit::kNone, false},
    };
    for (const auto& row : bad) {
        bool badSuffix = !row.badSuffix;
        EXPECT_FALSE(ParseNumber(row.text, row.unit, &badSuffix).has_value()) << row.text;
        EXPECT_EQ(badSuffix, row.badSuffix) << row.text;
    }
}

// Which header a command reaches, and its arguments, the remote session tests follow through the document.
TEST(ScpiLine, SplitsCommandsOutsideQuotes) {
    const ParsedLine line = ParseLine("*IDN?; :TIM:SCAL 1e-3 ;MMEM:STOR:SET \"a;b,c.set\";;");
    ASSERT_EQ(line.errorCode, 0);
    ASSERT_EQ(line.commands.size(), 3U);
    EXPECT_EQ(ParseString(line.commands[2].args.at(0)), "a;b,c.set");
    EXPECT_EQ(ParseString("'it''s'"), "it's");
    EXPECT_FALSE(ParseString("\"open").has_value());
}

TEST(ScpiLine, BadSegmentKeepsTheCommandsBeforeIt) {
    const struct {
        const char* text;
        int code;
        std::size_t kept;
    } rows[] = {
        {"RUN;TIM::SCAL 1", kSyntaxError, 1},
        {"RUN;1ABC", kSyntaxError, 1},
        {"RUN;MMEM:LOAD:SET \"x.set", kInvalidStringData, 1},
        {"*IDN3?", kSyntaxError, 0},
    };
    for (const auto& row : rows) {
        const ParsedLine line = ParseLine(row.text);
        EXPECT_EQ(line.errorCode, row.code) << row.text;
        EXPECT_EQ(line.commands.size(), row.kept) << row.text;
    }
}

// Finite numbers and filled blocks in replies the remote session tests read.
TEST(ScpiReply, AnInfiniteNumberIsNotANumberAndAnEmptyBlockHasOneDigit) {
    EXPECT_EQ(FormatNr3(INFINITY), "9.910000E+37");
    std::string out;
    AppendBlock(out, {});
    EXPECT_EQ(out, "#10");
}

TEST(ScpiErrorQueue, OldestFirstAndOverflowInTheLastPlace) {
    CErrorQueue queue;
    queue.Push(kUndefinedHeader, "FOO");
    queue.Push(kDataOutOfRange, "say \"x\"");
    EXPECT_EQ(queue.Pop(), "-113,\"Undefined header;FOO\"");
    EXPECT_EQ(queue.Pop(), "-222,\"Data out of range;say 'x'\"");
    for (int i = 0; i < 15; ++i) {
        queue.Push(kSettingsConflict);
    }
    EXPECT_EQ(queue.Size(), CErrorQueue::kCapacity);
    for (std::size_t i = 0; i + 1 < CErrorQueue::kCapacity; ++i) {
        EXPECT_EQ(queue.Pop(), "-221,\"Settings conflict\"");
    }
    EXPECT_EQ(queue.Pop(), "-350,\"Queue overflow\"");
    EXPECT_EQ(queue.Pop(), "0,\"No error\"");
}

} // namespace
} // namespace tarnix::scpi
