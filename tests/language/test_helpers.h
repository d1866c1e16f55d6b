// Shared helpers of the language tests: hand-made UTF-16, the default texts by key and a menu tree by key.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "../support/temp_dir.h"
#include "language/language_table.h"
#include "language/menu_table.h"

namespace tarnix::test {

// ASCII text as UTF-16 bytes, written out by hand so the test does not rely on the encoder under test.
inline std::string AsciiToUtf16(std::string_view ascii, bool bigEndian) {
    std::string out;
    for (char c : ascii) {
        out += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
    }
    return out;
}

inline std::map<int, std::string> DefaultTextsByKey() {
    std::vector<std::string> keys;
    std::vector<std::string> values;
    DefaultLanguageEntries(keys, values);
    std::map<int, std::string> byKey;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        byKey.emplace(std::stoi(keys[i]), values[i]);
    }
    return byKey;
}

inline void NodesByKey(const std::vector<MenuNode>& nodes, std::map<int, const MenuNode*>& out) {
    for (const MenuNode& n : nodes) {
        out[n.key] = &n;
        NodesByKey(n.children, out);
    }
}

} // namespace tarnix::test
