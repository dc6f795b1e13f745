#pragma once

#include <string>
#include <string_view>

namespace kavtra {

// UTF-8 texts to and from the UTF-16 of the Windows API (Windows only).
std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view utf16);

}  // namespace kavtra
