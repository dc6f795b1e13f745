#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kavtra {

// Windows-1251 bytes on disk, UTF-8 in memory, converted by the platform's
// converter (iconv, or the Windows code page functions). A character the
// other side cannot hold becomes '?': a letter outside Windows-1251 on the
// way out, the one undefined byte (0x98) or broken UTF-8 on the way in.
std::string toWindows1251(std::string_view utf8);
std::string fromWindows1251(std::string_view bytes);

// The first count characters of a UTF-8 text (a stray byte counts as one).
std::string_view firstCharacters(std::string_view utf8, std::size_t count);

// Length of the well-formed UTF-8 sequence at the start of a non-empty text,
// or 1 for a byte that starts none.
std::size_t utf8SequenceLength(std::string_view text);

// Whether every piece of the text is a character: no stray byte, no overlong
// form, no surrogate, nothing beyond U+10FFFF.
bool isWellFormedUtf8(std::string_view text);

namespace platform {
// The conversions proper, for texts that are not plain ASCII. The UTF-8
// given to encodeWindows1251 is well-formed: every broken piece has already
// become '?', the same way on every platform.
std::string encodeWindows1251(std::string_view utf8);
std::string decodeWindows1251(std::string_view bytes);
}  // namespace platform

}  // namespace kavtra
