#include <windows.h>

#include "persist/ini/codepage.h"
#include "persist/platform/wide_text.h"

namespace kavtra::platform {
namespace {

constexpr UINT kWindows1251 = 1251;

// The C1 control characters: Windows-1251 holds none of them, but Windows
// passes its one undefined byte, 0x98, through as U+0098 both ways.
bool isC1Control(wchar_t c) { return c >= 0x80 && c <= 0x9F; }

bool isHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }

}  // namespace

std::string encodeWindows1251(std::string_view utf8) {
    // One '?' a character, as iconv gives: Windows would give one for each
    // half of a character beyond U+FFFF.
    std::wstring wide = widen(utf8);
    std::size_t kept = 0;
    for (std::size_t i = 0; i < wide.size(); ++i) {
        const wchar_t c = wide[i];
        if (isHighSurrogate(c) && i + 1 < wide.size()) ++i;
        wide[kept++] = isHighSurrogate(c) || isC1Control(c) ? L'?' : c;
    }
    wide.resize(kept);
    const int size = static_cast<int>(wide.size());
    // No "best fit": a letter Windows-1251 lacks becomes '?', never a
    // look-alike ("é" would otherwise be stored as "e").
    std::string out(static_cast<std::size_t>(::WideCharToMultiByte(kWindows1251, WC_NO_BEST_FIT_CHARS, wide.data(),
                                                                   size, nullptr, 0, "?", nullptr)),
                    '\0');
    ::WideCharToMultiByte(kWindows1251, WC_NO_BEST_FIT_CHARS, wide.data(), size, out.data(),
                          static_cast<int>(out.size()), "?", nullptr);
    return out;
}

std::string decodeWindows1251(std::string_view bytes) {
    const int size = static_cast<int>(bytes.size());
    std::wstring wide(static_cast<std::size_t>(::MultiByteToWideChar(kWindows1251, 0, bytes.data(), size, nullptr, 0)),
                      L'\0');
    ::MultiByteToWideChar(kWindows1251, 0, bytes.data(), size, wide.data(), static_cast<int>(wide.size()));
    for (wchar_t& c : wide) {
        if (isC1Control(c)) c = L'?';
    }
    return narrow(wide);
}

}  // namespace kavtra::platform
