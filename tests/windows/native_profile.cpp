#include "tests/windows/native_profile.h"

#include <windows.h>

#include "persist/ini/codepage.h"

namespace kavtra::test {
namespace {

constexpr DWORD kBufferSize = 512;

template <typename Read>
std::string readThroughBuffer(Read read) {
    char buffer[kBufferSize];
    const DWORD n = read(buffer);
    return fromWindows1251(std::string_view(buffer, n));
}

}  // namespace

std::string nativeGetPrivateProfileString(std::string_view section, std::string_view key, std::string_view def,
                                          const std::string& file) {
    const std::string s = toWindows1251(section), k = toWindows1251(key), d = toWindows1251(def),
                      f = toWindows1251(file);
    return readThroughBuffer([&](char* buffer) {
        return ::GetPrivateProfileStringA(s.c_str(), k.c_str(), d.c_str(), buffer, kBufferSize, f.c_str());
    });
}

void nativeWritePrivateProfileString(std::string_view section, std::string_view key, std::string_view value,
                                     const std::string& file) {
    ::WritePrivateProfileStringA(toWindows1251(section).c_str(), toWindows1251(key).c_str(),
                                 toWindows1251(value).c_str(), toWindows1251(file).c_str());
}

std::string nativeGetProfileString(std::string_view section, std::string_view key, std::string_view def) {
    const std::string s = toWindows1251(section), k = toWindows1251(key), d = toWindows1251(def);
    return readThroughBuffer(
        [&](char* buffer) { return ::GetProfileStringA(s.c_str(), k.c_str(), d.c_str(), buffer, kBufferSize); });
}

void nativeWriteProfileString(std::string_view section, std::string_view key, std::string_view value) {
    ::WriteProfileStringA(toWindows1251(section).c_str(), toWindows1251(key).c_str(), toWindows1251(value).c_str());
}

}  // namespace kavtra::test
