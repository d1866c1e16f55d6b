// Shared helpers of the language tests: the scratch folder of the file tests and hand-made UTF-16.
#pragma once

#include <string>
#include <string_view>

#include "../support/temp_dir.h"

namespace tarnix::test {

// ASCII text as UTF-16 bytes, written out by hand so the test does not rely on the encoder under test.
inline std::string AsciiToUtf16(std::string_view ascii, bool bigEndian) {
    std::string out;
    for (char c : ascii) {
        if (bigEndian) {
            out.push_back('\0');
            out.push_back(c);
        } else {
            out.push_back(c);
            out.push_back('\0');
        }
    }
    return out;
}

} // namespace tarnix::test
