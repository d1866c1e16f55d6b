// Feeds arbitrary bytes to the language-file reader as a .lug file (UTF-16 with a byte-order mark, UTF-8,
// Latin-1) and checks that the table it fills keeps the storage limits and holds valid UTF-8, and that
// the menus take its texts.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

#include "language/ini_file.h"
#include "language/language_table.h"
#include "language/menu_table.h"

namespace {

void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "language table broken after load: %s\n", what);
        std::abort();
    }
}

// Well-formed sequences only: a lead byte followed by the right number of continuation bytes.
bool IsUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        const std::size_t extra = c < 0x80           ? 0
                                  : (c >> 5) == 0x6  ? 1
                                  : (c >> 4) == 0xE  ? 2
                                  : (c >> 3) == 0x1E ? 3
                                                     : 4;
        if (extra == 4 || i + extra >= s.size()) {
            return false;
        }
        for (std::size_t k = 1; k <= extra; ++k) {
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) {
                return false;
            }
        }
        i += extra + 1;
    }
    return true;
}

const std::filesystem::path& Folder() {
    static const std::filesystem::path folder = [] {
        const char* base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        std::filesystem::path made =
            std::filesystem::path(base) / ("tarnix-fuzz-lug-" + std::to_string(::getpid()));
        std::filesystem::create_directories(made);
        return made;
    }();
    return folder;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarnix;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string text = DecodeTextBytes(bytes);
    Require(IsUtf8(text), "decoded text is not UTF-8");

    std::vector<std::string> keys;
    std::vector<std::string> values;
    const int count = ParseIniSection(text, "App", keys, values);
    Require(count >= 0 && keys.size() == static_cast<std::size_t>(count) && values.size() == keys.size(),
            "entry count");
    std::size_t used = 1;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        Require(IsUtf8(keys[i]) && IsUtf8(values[i]), "entry is not UTF-8");
        const std::size_t chars = Utf8Length(keys[i]) + Utf8Length(values[i]);
        Require(chars <= kIniMaxEntryChars, "entry longer than its limit");
        used += chars + 1;
    }
    Require(used <= kIniMaxSectionChars, "section longer than its limit");

    // The same bytes as a language file in a folder: listed, loaded, named and put into the menus.
    const std::filesystem::path file = Folder() / "input.lug";
    FILE* f = std::fopen(file.c_str(), "wb");
    Require(f != nullptr, "cannot write the input file");
    if (size > 0) {
        std::fwrite(data, 1, size, f);
    }
    std::fclose(f);
    CLanguageTable table;
    table.FindLanguageFiles(Folder());
    const int model = size > 0 ? data[0] % 6 : 0;
    Require(table.SelectLanguage(0, model) == 0, "the only file is not selected");
    Require(table.Keys().size() >= keys.size(), "the table lost entries");
    for (std::size_t i = 0; i < keys.size(); ++i) {
        Require(table.Keys()[i] == keys[i] && table.Values()[i] == values[i],
                "the table differs from the file");
    }
    const std::string name = table.LanguageName(0);
    Require(IsUtf8(name) && Utf8Length(name) <= kIniMaxValueChars, "language name");
    std::vector<MenuNode> bar = BuildMenuBar(model, (size & 1) != 0);
    AppendLanguageItems(bar, table);
    RelabelMenuTree(bar, table);
    return 0;
}
