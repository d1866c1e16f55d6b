// The SCPI text rules a script relies on: mnemonics, numbers, splitting, replies, the error queue.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include "remote/remote_session.h"
#include "remote/scpi_parser.h"

namespace tarnix::scpi {
namespace {

TEST(ScpiMnemonic, LongAndShortFormsInAnyCase) {
    const std::tuple<const char*, const char*, bool> rows[] = {
        {"CHANnel", "chan", true}, {"CHANnel", "Channel", true},   {"CHANnel", "CHANN", false},
        {"CHANnel", "CHA", false}, {"CHANnel", "CHANNELS", false}, {"VPP", "vpp", true},
    };
    for (const auto& [pattern, word, match] : rows) {
        EXPECT_EQ(MatchMnemonic(pattern, word), match) << pattern << " " << word;
    }
}

TEST(ScpiNumber, DecimalFormsMultipliersAndUnits) {
    const std::tuple<const char*, Unit, double> good[] = {
        {"1 ms", Unit::kSecond, 1e-3}, {"+.5", Unit::kVolt, 0.5},   {"-2.5E+1", Unit::kNone, -25},
        {"10kHz", Unit::kHertz, 1e4},  {"1MHZ", Unit::kHertz, 1e6}, {"1mv", Unit::kVolt, 1e-3},
        {"2 us", Unit::kSecond, 2e-6}, {"4", Unit::kVolt, 4},       {"3MAV", Unit::kVolt, 3e6},
    };
    for (const auto& [text, unit, value] : good) {
        const std::optional<double> parsed = ParseNumber(text, unit);
        ASSERT_TRUE(parsed.has_value()) << text;
        EXPECT_NEAR(*parsed, value, std::fabs(value) * 1e-12) << text;
    }
    const std::tuple<const char*, Unit, bool> bad[] = {
        {"abc", Unit::kVolt, false},   {".", Unit::kVolt, false}, {"", Unit::kVolt, false},
        {"5V", Unit::kSecond, true},   {"1e", Unit::kVolt, true}, {"2 volts", Unit::kVolt, true},
        {"1e999", Unit::kNone, false},
    };
    for (const auto& [text, unit, badSuffix] : bad) {
        bool flagged = !badSuffix;
        EXPECT_FALSE(ParseNumber(text, unit, &flagged).has_value()) << text;
        EXPECT_EQ(flagged, badSuffix) << text;
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
    const std::tuple<const char*, int, std::size_t> rows[] = {
        {"RUN;TIM::SCAL 1", kSyntaxError, 1},
        {"RUN;1ABC", kSyntaxError, 1},
        {"RUN;MMEM:LOAD:SET \"x.set", kInvalidStringData, 1},
        {"*IDN3?", kSyntaxError, 0},
    };
    for (const auto& [text, code, kept] : rows) {
        const ParsedLine line = ParseLine(text);
        EXPECT_EQ(line.errorCode, code) << text;
        EXPECT_EQ(line.commands.size(), kept) << text;
    }
}

// Filled blocks and not-a-number replies are the remote session tests' (MEAS:FREQ? of a channel that is off).
TEST(ScpiReply, AnEmptyBlockHasOneDigit) {
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
