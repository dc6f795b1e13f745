#pragma once

#include <string>
#include <string_view>

namespace kavtra::test {

// The Windows profile functions themselves, called as the program called
// them before it had its own: every text converted to Windows-1251 and
// passed to the ANSI functions, a buffer of 512 characters. They take and
// give the same UTF-8 texts as ours, so a test can run one sequence of reads
// and writes through both and compare. Run them in the Russian locale (ANSI
// code page 1251), or the functions convert through another code page.
std::string nativeGetPrivateProfileString(std::string_view section, std::string_view key, std::string_view def,
                                          const std::string& file);
void nativeWritePrivateProfileString(std::string_view section, std::string_view key, std::string_view value,
                                     const std::string& file);

// The same on the system-wide profile (win.ini and what the registry maps of it).
std::string nativeGetProfileString(std::string_view section, std::string_view key, std::string_view def);
void nativeWriteProfileString(std::string_view section, std::string_view key, std::string_view value);

}  // namespace kavtra::test
