#include "remote/scpi_parser.h"

#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <utility>

namespace tarnix::scpi {
namespace {

char Upper(char c) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}
bool IsAlpha(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

bool EqualsUpper(std::string_view a, std::string_view upper) {
    if (a.size() != upper.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Upper(a[i]) != upper[i]) {
            return false;
        }
    }
    return true;
}

// Splits at `separator` outside quotes; false when a quote is left open.
bool SplitOutsideQuotes(std::string_view text, char separator, std::vector<std::string_view>& parts) {
    char quote = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quote != 0) {
            if (c == quote) {
                quote = 0;
            }
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == separator) {
            parts.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    parts.push_back(text.substr(start));
    return quote == 0;
}

// "CHAN1" -> {"CHAN", 1}; false for anything but letters followed by digits.
bool ParseNode(std::string_view text, Node& node) {
    std::size_t i = 0;
    while (i < text.size() && IsAlpha(text[i])) {
        ++i;
    }
    if (i == 0 || i > 32) {
        return false;
    }
    node.mnemonic.assign(text.substr(0, i));
    node.suffix = -1;
    if (i == text.size()) {
        return true;
    }
    const std::string_view digits = text.substr(i);
    if (digits.size() > 4) {
        return false;
    }
    int value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (ec != std::errc() || end != digits.data() + digits.size()) {
        return false;
    }
    node.suffix = value;
    return true;
}

struct Multiplier {
    std::string_view prefix;
    double factor;
};
// Longest prefixes first, so "MA" wins over "M".
constexpr std::array<Multiplier, 10> kMultipliers = {{
    {"EX", 1e18},
    {"PE", 1e15},
    {"MA", 1e6},
    {"T", 1e12},
    {"G", 1e9},
    {"K", 1e3},
    {"M", 1e-3},
    {"U", 1e-6},
    {"N", 1e-9},
    {"P", 1e-12},
}};

std::string_view UnitName(Unit unit) {
    switch (unit) {
    case Unit::kVolt:
        return "V";
    case Unit::kSecond:
        return "S";
    case Unit::kHertz:
        return "HZ";
    case Unit::kNone:
        break;
    }
    return "";
}

// The factor of a suffix such as "MV", "US", "KHZ", "MHZ" or "K"; nullopt when it is not one.
std::optional<double> SuffixFactor(std::string_view suffix, Unit unit) {
    std::string upper;
    for (char c : suffix) {
        upper.push_back(Upper(c));
    }
    const std::string_view name = UnitName(unit);
    if (upper.empty() || upper == name) {
        return 1.0;
    }
    if (unit == Unit::kHertz && upper == "MHZ") {
        return 1e6;
    }
    for (const Multiplier& m : kMultipliers) {
        if (upper.size() >= m.prefix.size() &&
            std::string_view(upper).substr(0, m.prefix.size()) == m.prefix &&
            std::string_view(upper).substr(m.prefix.size()) == name) {
            return m.factor;
        }
    }
    return std::nullopt;
}

} // namespace

std::string_view ErrorText(int code) {
    switch (code) {
    case 0:
        return "No error";
    case kInvalidCharacter:
        return "Invalid character";
    case kSyntaxError:
        return "Syntax error";
    case kParameterNotAllowed:
        return "Parameter not allowed";
    case kMissingParameter:
        return "Missing parameter";
    case kUndefinedHeader:
        return "Undefined header";
    case kHeaderSuffixOutOfRange:
        return "Header suffix out of range";
    case kNumericDataError:
        return "Numeric data error";
    case kInvalidSuffix:
        return "Invalid suffix";
    case kInvalidStringData:
        return "Invalid string data";
    case kExecutionError:
        return "Execution error";
    case kSettingsConflict:
        return "Settings conflict";
    case kDataOutOfRange:
        return "Data out of range";
    case kIllegalParameterValue:
        return "Illegal parameter value";
    case kFileNameError:
        return "File name error";
    case kDataStale:
        return "Data corrupt or stale";
    case kQueueOverflow:
        return "Queue overflow";
    case kInputBufferOverrun:
        return "Input buffer overrun";
    default:
        return "Error";
    }
}

LineReader::LineReader(std::string_view line) : line_(line) {}

bool LineReader::Next(Command& command, int& errorCode, std::string& errorDetail) {
    errorCode = 0;
    while (!done_) {
        // The next segment, up to ';' outside quotes; an open quote runs to the end of the line.
        char quote = 0;
        std::size_t end = pos_;
        while (end < line_.size() && (quote != 0 || line_[end] != ';')) {
            const char c = line_[end];
            if (quote != 0) {
                quote = c == quote ? 0 : quote;
            } else if (c == '"' || c == '\'') {
                quote = c;
            }
            ++end;
        }
        const std::string_view segment = Trim(line_.substr(pos_, end - pos_));
        pos_ = end + 1;
        done_ = end >= line_.size();
        if (quote != 0) {
            done_ = true;
            errorCode = kInvalidStringData;
            return false;
        }
        if (segment.empty()) {
            continue;
        }
        std::size_t headerEnd = 0;
        while (headerEnd < segment.size() && segment[headerEnd] != ' ' && segment[headerEnd] != '\t') {
            ++headerEnd;
        }
        std::string_view header = segment.substr(0, headerEnd);
        const std::string_view rest = Trim(segment.substr(headerEnd));

        command = Command{};
        if (header.back() == '?') {
            command.query = true;
            header.remove_suffix(1);
        }
        bool ok = !header.empty();
        if (ok && header.front() == '*') {
            command.common = true;
            Node node;
            ok = ParseNode(header.substr(1), node) && node.suffix < 0;
            command.nodes.push_back(std::move(node));
        } else if (ok) {
            if (header.front() == ':') {
                command.absolute = true;
                header.remove_prefix(1);
            }
            std::vector<std::string_view> parts;
            SplitOutsideQuotes(header, ':', parts);
            for (std::string_view part : parts) {
                Node node;
                if (!ParseNode(part, node)) {
                    ok = false;
                    break;
                }
                command.nodes.push_back(std::move(node));
            }
        }
        if (!ok) {
            done_ = true;
            errorCode = kSyntaxError;
            errorDetail.assign(header.substr(0, 40));
            return false;
        }
        if (!rest.empty()) {
            std::vector<std::string_view> args;
            SplitOutsideQuotes(rest, ',', args);
            for (std::string_view arg : args) {
                command.args.emplace_back(Trim(arg));
            }
        }
        return true;
    }
    return false;
}

ParsedLine ParseLine(std::string_view line) {
    ParsedLine result;
    LineReader reader(line);
    Command command;
    while (reader.Next(command, result.errorCode, result.errorDetail)) {
        result.commands.push_back(std::move(command));
    }
    return result;
}

bool MatchMnemonic(std::string_view pattern, std::string_view word) {
    std::size_t shortLength = 0;
    while (shortLength < pattern.size() && !(pattern[shortLength] >= 'a' && pattern[shortLength] <= 'z')) {
        ++shortLength;
    }
    std::string upperPattern;
    for (char c : pattern) {
        upperPattern.push_back(Upper(c));
    }
    return EqualsUpper(word, std::string_view(upperPattern).substr(0, shortLength)) ||
           EqualsUpper(word, upperPattern);
}

std::optional<double> ParseNumber(std::string_view text, Unit unit, bool* badSuffix) {
    if (badSuffix != nullptr) {
        *badSuffix = false;
    }
    text = Trim(text);
    // The mantissa and exponent: sign, digits, point, digits, then E and a signed integer.
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    std::size_t digits = 0;
    while (i < text.size() && IsDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && IsDigit(text[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0) {
        return std::nullopt;
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
            ++j;
        }
        if (j < text.size() && IsDigit(text[j])) {
            while (j < text.size() && IsDigit(text[j])) {
                ++j;
            }
            i = j;
        }
    }
    // from_chars takes no leading '+'.
    std::string number(text.substr(0, i));
    if (!number.empty() && number.front() == '+') {
        number.erase(0, 1);
    }
    double value = 0.0;
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (ec != std::errc() || end != number.data() + number.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    const std::optional<double> factor = SuffixFactor(Trim(text.substr(i)), unit);
    if (!factor) {
        if (badSuffix != nullptr) {
            *badSuffix = true;
        }
        return std::nullopt;
    }
    return value * *factor;
}

std::optional<std::string> ParseString(std::string_view text) {
    text = Trim(text);
    if (text.size() < 2 || (text.front() != '"' && text.front() != '\'') || text.back() != text.front()) {
        return std::nullopt;
    }
    const char quote = text.front();
    std::string value;
    for (std::size_t i = 1; i + 1 < text.size(); ++i) {
        if (text[i] == quote) {
            if (i + 2 < text.size() && text[i + 1] == quote) {
                ++i;
            } else {
                return std::nullopt;
            }
        }
        value.push_back(text[i]);
    }
    return value;
}

std::optional<bool> ParseBool(std::string_view text) {
    text = Trim(text);
    if (EqualsUpper(text, "ON") || text == "1") {
        return true;
    }
    if (EqualsUpper(text, "OFF") || text == "0") {
        return false;
    }
    return std::nullopt;
}

std::string FormatNr1(long long value) {
    return std::to_string(value);
}

std::string FormatNr3(double value) {
    if (!std::isfinite(value)) {
        value = kNotANumber;
    }
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.6E", value);
    return buffer;
}

void AppendBlock(std::string& out, std::span<const std::uint8_t> bytes) {
    const std::string length = std::to_string(bytes.size());
    out.push_back('#');
    out.push_back(static_cast<char>('0' + length.size()));
    out.append(length);
    out.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

bool IsText(std::string_view line) {
    for (char c : line) {
        const auto u = static_cast<unsigned char>(c);
        if ((u < 0x20 && c != '\t') || u >= 0x7F) {
            return false;
        }
    }
    return true;
}

} // namespace tarnix::scpi
