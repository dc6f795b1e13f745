#include <windows.h>

#include "persist/codepage.h"

namespace kavtra::platform {
namespace {

constexpr UINT kWindows1251 = 1251;

std::wstring toWide(UINT codePage, std::string_view bytes) {
    if (bytes.empty()) return {};
    const int size = static_cast<int>(bytes.size());
    std::wstring wide(static_cast<std::size_t>(::MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0)),
                      L'\0');
    ::MultiByteToWideChar(codePage, 0, bytes.data(), size, wide.data(), static_cast<int>(wide.size()));
    return wide;
}

std::string fromWide(UINT codePage, const std::wstring& wide) {
    if (wide.empty()) return {};
    // No "best fit": a letter Windows-1251 lacks becomes '?', never a
    // look-alike ("é" would otherwise be stored as "e").
    const DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const char* fallback = codePage == CP_UTF8 ? nullptr : "?";
    const int size = static_cast<int>(wide.size());
    std::string out(static_cast<std::size_t>(
                        ::WideCharToMultiByte(codePage, flags, wide.data(), size, nullptr, 0, fallback, nullptr)),
                    '\0');
    ::WideCharToMultiByte(codePage, flags, wide.data(), size, out.data(), static_cast<int>(out.size()), fallback,
                          nullptr);
    return out;
}

}  // namespace

std::string encodeWindows1251(std::string_view utf8) {
    // Broken UTF-8 arrives as U+FFFD, which Windows-1251 lacks: '?' as well.
    return fromWide(kWindows1251, toWide(CP_UTF8, utf8));
}

std::string decodeWindows1251(std::string_view bytes) {
    std::wstring wide = toWide(kWindows1251, bytes);
    // Windows passes the undefined byte 0x98 through as the control
    // character U+0098; every other byte maps outside the C1 controls.
    for (wchar_t& c : wide) {
        if (c >= 0x80 && c <= 0x9F) c = L'?';
    }
    return fromWide(CP_UTF8, wide);
}

}  // namespace kavtra::platform
