#pragma once

#include <string>
#include <string_view>

namespace kavtra {

// UTF-8 texts to and from the UTF-16 of the Windows API (Windows only).
std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view utf16);

// The system's own words for an error code of GetLastError, asked for in
// UTF-16: the ANSI form gives a Russian system's words in its code page,
// which read as UTF-8 are replacement characters. No full stop or line end
// at the end; "ошибка N" when the system has no words for it.
std::string systemMessage(unsigned long code);

}  // namespace kavtra
