#include "language/ini_file.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace tarnix {
namespace {

// Language files are a few kilobytes; anything far larger is not one and is not read whole.
constexpr std::uintmax_t kMaxFileBytes = 16u * 1024u * 1024u;

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        cp = 0xFFFD;
    }
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

std::string DecodeUtf16(std::string_view bytes, bool bigEndian) {
    std::string out;
    out.reserve(bytes.size());
    const std::size_t units = bytes.size() / 2; // an odd last byte belongs to no character
    auto unitAt = [&](std::size_t i) -> char32_t {
        const auto b0 = static_cast<unsigned char>(bytes[2 * i]);
        const auto b1 = static_cast<unsigned char>(bytes[2 * i + 1]);
        return bigEndian ? static_cast<char32_t>((b0 << 8) | b1) : static_cast<char32_t>((b1 << 8) | b0);
    };
    for (std::size_t i = 0; i < units; ++i) {
        const char32_t u = unitAt(i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units) {
            const char32_t low = unitAt(i + 1);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        AppendUtf8(out, u); // lone surrogates become U+FFFD
    }
    return out;
}

// Length of the UTF-8 sequence starting at text[i], or 0 when it is not a valid, shortest-form one.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t i) {
    const auto c = static_cast<unsigned char>(text[i]);
    std::size_t len = 0;
    char32_t cp = 0;
    if (c < 0x80) {
        return 1;
    } else if (c >= 0xC2 && c <= 0xDF) {
        len = 2;
        cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        cp = c & 0x07;
    } else {
        return 0;
    }
    if (i + len > text.size()) {
        return 0;
    }
    for (std::size_t k = 1; k < len; ++k) {
        const auto cc = static_cast<unsigned char>(text[i + k]);
        if ((cc & 0xC0) != 0x80) {
            return 0;
        }
        cp = (cp << 6) | (cc & 0x3F);
    }
    if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF)) {
        return 0;
    }
    return len;
}

bool IsValidUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t len = Utf8SequenceLength(text, i);
        if (len == 0) {
            return false;
        }
        i += len;
    }
    return true;
}

std::string_view TrimBlanks(std::string_view s) {
    const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && isBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && isBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto lower = [](char c) {
            return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        };
        return lower(x) == lower(y);
    });
}

// Calls visit(line) for every non-empty line of the named section, in file order. Line ends may be
// CR LF, LF or CR. Only the first section of that name is read.
template <typename Visit>
void ForEachSectionLine(std::string_view text, std::string_view section, Visit visit) {
    bool inSection = false;
    bool seen = false;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        const std::string_view raw = text.substr(pos, end - pos);
        pos = end + 1;
        const std::string_view line = TrimBlanks(raw);
        if (line.empty() || line.front() == ';') {
            continue;
        }
        if (line.front() == '[') {
            if (inSection) {
                return;
            }
            const std::size_t close = line.find(']');
            const std::string_view name = TrimBlanks(
                line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
            if (!seen && EqualsIgnoreAsciiCase(name, section)) {
                inSection = true;
                seen = true;
            }
            continue;
        }
        if (inSection) {
            // Leading blanks of the line belong to the key and go; the value keeps its own.
            std::string_view entry = raw;
            while (!entry.empty() && (entry.front() == ' ' || entry.front() == '\t')) {
                entry.remove_prefix(1);
            }
            visit(entry);
        }
    }
}

} // namespace

std::size_t Utf8Length(std::string_view text) {
    std::size_t n = 0;
    for (char c : text) {
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
            ++n;
        }
    }
    return n;
}

std::string TruncateUtf8(std::string_view text, std::size_t maxChars) {
    std::size_t chars = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            if (chars == maxChars) {
                return std::string(text.substr(0, i));
            }
            ++chars;
        }
    }
    return std::string(text);
}

std::string DecodeTextBytes(std::string_view bytes) {
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        return DecodeUtf16(bytes.substr(2), false);
    }
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE &&
        static_cast<unsigned char>(bytes[1]) == 0xFF) {
        return DecodeUtf16(bytes.substr(2), true);
    }
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        bytes.remove_prefix(3);
        if (IsValidUtf8(bytes)) {
            return std::string(bytes);
        }
        // A broken sequence in a file marked UTF-8: keep the valid parts, replace the rest.
        std::string out;
        for (std::size_t i = 0; i < bytes.size();) {
            const std::size_t len = Utf8SequenceLength(bytes, i);
            if (len == 0) {
                AppendUtf8(out, 0xFFFD);
                ++i;
            } else {
                out.append(bytes.substr(i, len));
                i += len;
            }
        }
        return out;
    }
    if (IsValidUtf8(bytes)) {
        return std::string(bytes);
    }
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char c : bytes) {
        AppendUtf8(out, static_cast<unsigned char>(c));
    }
    return out;
}

std::string EncodeUtf16Le(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size() * 2);
    auto put = [&](char32_t unit) {
        out.push_back(static_cast<char>(unit & 0xFF));
        out.push_back(static_cast<char>((unit >> 8) & 0xFF));
    };
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t len = Utf8SequenceLength(utf8, i);
        if (len == 0) {
            put(0xFFFD);
            ++i;
            continue;
        }
        const auto c = static_cast<unsigned char>(utf8[i]);
        char32_t cp = len == 1 ? c : len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
        for (std::size_t k = 1; k < len; ++k) {
            cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        }
        i += len;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            put(0xD800 + (cp >> 10));
            put(0xDC00 + (cp & 0x3FF));
        } else {
            put(cp);
        }
    }
    return out;
}

int ParseIniSection(std::string_view utf8Text, std::string_view section, std::vector<std::string>& keys,
                    std::vector<std::string>& values) {
    keys.clear();
    values.clear();
    std::size_t used = 1; // the section's closing terminator
    bool full = false;
    ForEachSectionLine(utf8Text, section, [&](std::string_view line) {
        if (full) {
            return;
        }
        const std::string entry = TruncateUtf8(line, kIniMaxEntryChars);
        const std::size_t need = Utf8Length(entry) + 1;
        if (used + need > kIniMaxSectionChars) {
            full = true; // later entries would not fit either: the section ends here
            return;
        }
        used += need;
        const std::size_t eq = entry.find('=');
        if (eq == std::string::npos) {
            keys.emplace_back(TrimBlanks(entry));
            values.emplace_back();
        } else {
            keys.emplace_back(TrimBlanks(std::string_view(entry).substr(0, eq)));
            values.emplace_back(entry.substr(eq + 1));
        }
    });
    return static_cast<int>(keys.size());
}

bool CIniFile::ReadText(std::string& utf8) const {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path_, ec);
    if (ec || size > kMaxFileBytes) {
        return false;
    }
    std::ifstream in(path_, std::ios::binary);
    if (!in) {
        return false;
    }
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        return false;
    }
    utf8 = DecodeTextBytes(bytes);
    return true;
}

std::string CIniFile::ReadValue(std::string_view section, std::string_view key) const {
    std::string text;
    if (!ReadText(text)) {
        return {};
    }
    const std::string_view wanted = TrimBlanks(key);
    std::string result;
    bool found = false;
    ForEachSectionLine(text, section, [&](std::string_view line) {
        if (found) {
            return;
        }
        const std::size_t eq = line.find('=');
        const std::string_view k = TrimBlanks(line.substr(0, eq));
        if (EqualsIgnoreAsciiCase(k, wanted)) {
            found = true;
            if (eq != std::string_view::npos) {
                result = TruncateUtf8(line.substr(eq + 1), kIniMaxValueChars);
            }
        }
    });
    return result;
}

int CIniFile::ReadSection(std::string_view section, std::vector<std::string>& keys,
                          std::vector<std::string>& values) const {
    keys.clear();
    values.clear();
    std::string text;
    if (!ReadText(text)) {
        return 0;
    }
    return ParseIniSection(text, section, keys, values);
}

} // namespace tarnix
