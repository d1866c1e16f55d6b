// Reader for the INI-style language files: one "[App]" section of key=value lines. Our own reader
// because the files come in UTF-16 (with a byte-order mark) as well as UTF-8 or Latin-1, because file
// order must be kept (the first equal key wins), and because values may start with blanks (" +").
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarnix {

// Storage limits of the language reader, in characters (Unicode code points).
inline constexpr std::size_t kIniMaxEntryChars = 199;    // one "key=value" entry of a section
inline constexpr std::size_t kIniMaxValueChars = 259;    // one value read on its own
inline constexpr std::size_t kIniMaxSectionChars = 9000; // a whole section: entries plus one terminator each

// Turns the raw bytes of a file into UTF-8: a byte-order mark selects UTF-16LE, UTF-16BE or UTF-8;
// without one, valid UTF-8 is taken as it is and anything else is read as Latin-1.
std::string DecodeTextBytes(std::string_view bytes);

// Cuts a UTF-8 string to at most maxChars code points, never inside a multi-byte sequence.
std::string TruncateUtf8(std::string_view text, std::size_t maxChars);

// Number of code points of a UTF-8 string.
std::size_t Utf8Length(std::string_view text);

// UTF-8 to UTF-16 little-endian bytes (no byte-order mark).
std::string EncodeUtf16Le(std::string_view utf8);

// Reads one section from text that is already UTF-8. Entries keep file order; the key is the text
// before the first "=" (surrounding blanks removed), the value everything after it (leading blanks
// kept). Entries are cut to kIniMaxEntryChars; entries that would take the section past
// kIniMaxSectionChars are left out. Returns the number of entries.
int ParseIniSection(std::string_view utf8Text, std::string_view section, std::vector<std::string>& keys,
                    std::vector<std::string>& values);

class CIniFile {
public:
    explicit CIniFile(std::string path) : path_(std::move(path)) {}

    const std::string& Path() const { return path_; }

    // The value of key in section (section and key compared without regard to ASCII case), cut to
    // kIniMaxValueChars; "" when the file, the section or the key is missing.
    std::string ReadValue(std::string_view section, std::string_view key) const;

    // Empties keys and values and fills them with every entry of the section in file order (see
    // ParseIniSection). Returns the count; 0 when the file cannot be read.
    int ReadSection(std::string_view section, std::vector<std::string>& keys,
                    std::vector<std::string>& values) const;

private:
    bool ReadText(std::string& utf8) const;

    std::string path_;
};

} // namespace tarnix
