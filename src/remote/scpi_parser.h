// SCPI text rules, independent of any command: splitting a line into commands, matching long and short
// mnemonics, numbers with SI multipliers and units, the reply formats and IEEE 488.2 definite-length
// blocks. Standard C++ only.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarnix::scpi {

// SCPI error codes this interface reports.
inline constexpr int kInvalidCharacter = -101;
inline constexpr int kSyntaxError = -102;
inline constexpr int kParameterNotAllowed = -108;
inline constexpr int kMissingParameter = -109;
inline constexpr int kUndefinedHeader = -113;
inline constexpr int kHeaderSuffixOutOfRange = -114;
inline constexpr int kNumericDataError = -120;
inline constexpr int kInvalidSuffix = -131;
inline constexpr int kInvalidStringData = -151;
inline constexpr int kExecutionError = -200;
inline constexpr int kSettingsConflict = -221;
inline constexpr int kDataOutOfRange = -222;
inline constexpr int kIllegalParameterValue = -224;
inline constexpr int kDataStale = -230;
inline constexpr int kFileNameError = -257;
inline constexpr int kQueueOverflow = -350;
inline constexpr int kInputBufferOverrun = -363;

// The standard text of a code ("Undefined header"); "Error" for a code not listed above.
std::string_view ErrorText(int code);

// One header node: the mnemonic as sent (any case) and its numeric suffix, -1 when none was sent.
struct Node {
    std::string mnemonic;
    int suffix = -1;
};

// One command of a line: "CHAN1:SCAL 0.5" or "*IDN?".
struct Command {
    bool common = false;   // "*IDN?" and the like; nodes holds one node without the star
    bool absolute = false; // the header started with ':'
    bool query = false;
    std::vector<Node> nodes;
    std::vector<std::string> args; // trimmed; quoted strings keep their quotes
};

struct ParsedLine {
    std::vector<Command> commands;
    int errorCode = 0; // 0, or the code of the first segment that could not be parsed
    std::string errorDetail;
};

// Reads a line's commands one at a time, so a long line is parsed only as far as it has run. Next
// gives the next command; false at the end of the line, or with errorCode set for a segment that cannot
// be parsed (an open quote, a bad header), which also ends the line.
class LineReader {
public:
    explicit LineReader(std::string_view line);
    bool Next(Command& command, int& errorCode, std::string& errorDetail);
    bool Done() const { return done_; }

private:
    std::string_view line_;
    std::size_t pos_ = 0;
    bool done_ = false;
};

// Splits a line at ';' (outside quotes) into commands. Commands before a bad segment are kept, the bad
// one and the rest of the line are dropped with errorCode set. Empty segments are skipped.
ParsedLine ParseLine(std::string_view line);

// True when `word` is the short form (the capitals of `pattern`) or the long form, in any case:
// MatchMnemonic("CHANnel", "chan") and MatchMnemonic("CHANnel", "Channel") hold, "CHANN" does not.
bool MatchMnemonic(std::string_view pattern, std::string_view word);

// The unit a numeric parameter may carry.
enum class Unit { kNone, kVolt, kSecond, kHertz };

// A decimal number (NR1, NR2 or NR3) with an optional SI multiplier and unit, e.g. "2e-3", "500mV",
// "1 ms", "10kHz". "M" is milli, "MA" mega, as SCPI has it ("MHZ" is megahertz). nullopt when the text is
// not such a number, or its unit is not `unit`; `badSuffix` then tells a wrong unit from a bad number.
std::optional<double> ParseNumber(std::string_view text, Unit unit, bool* badSuffix = nullptr);

// A string parameter in double or single quotes (a doubled quote stands for one); nullopt otherwise.
std::optional<std::string> ParseString(std::string_view text);

// Booleans as SCPI writes them: ON, OFF, 1, 0.
std::optional<bool> ParseBool(std::string_view text);

// Replies: NR1 integers, NR3 reals ("1.000000E+03"); 9.91E37 stands for a value that cannot be measured.
inline constexpr double kNotANumber = 9.91e37;
std::string FormatNr1(long long value);
std::string FormatNr3(double value);

// "#<digits><length><bytes>", appended to `out`.
void AppendBlock(std::string& out, std::span<const std::uint8_t> bytes);

// Whether a line holds only printable ASCII and tabs.
bool IsText(std::string_view line);

} // namespace tarnix::scpi
