#pragma once

#include <string>
#include <string_view>

namespace kavtra {

// Windows-1251 bytes on disk, UTF-8 in memory, converted by iconv. A
// character the other side cannot hold becomes '?': a letter outside
// Windows-1251 on the way out, an undefined byte (0x98) or broken UTF-8 on
// the way in.
std::string toWindows1251(std::string_view utf8);
std::string fromWindows1251(std::string_view bytes);

// The first count characters of a UTF-8 text (a stray byte counts as one).
std::string_view firstCharacters(std::string_view utf8, std::size_t count);

}  // namespace kavtra
