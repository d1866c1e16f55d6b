# Writes OUTPUT, a C++ source holding the bytes of INPUT as tarnix::detail::kDefaultLanguageBytes.
file(READ ${INPUT} hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR byte_count "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],){16})" "\\1\n    " bytes "${bytes}")
file(WRITE ${OUTPUT}
"// Generated from resources/language/default_language.ini; do not edit.
#include <cstddef>

namespace tarnix::detail {
extern const unsigned char kDefaultLanguageBytes[];
extern const std::size_t kDefaultLanguageSize;
const unsigned char kDefaultLanguageBytes[] = {
    ${bytes}0x00};
const std::size_t kDefaultLanguageSize = ${byte_count};
} // namespace tarnix::detail
")
