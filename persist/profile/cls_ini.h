#pragma once

#include <string>
#include <string_view>
#include <utility>

namespace kavtra {

// The program's one way into INI files: one file name at a time, and named
// value reads and writes on it. No cache: every call goes to the file.
class clsINI {
public:
    clsINI();  // FileName: the executable's base name followed by ".ini"
    // The program keeps one clsINI per file, built on it and never
    // re-pointed, so no reader can find it on another file.
    explicit clsINI(std::string fileName) : fileName_(std::move(fileName)) {}

    const std::string& FileName() const { return fileName_; }
    void FileName(std::string s_filename) { fileName_ = std::move(s_filename); }

    std::string GetPrivateINIString(std::string_view sSection, std::string_view sKey, std::string_view sDefault) const;
    void WritePrivateINIString(std::string_view sSection, std::string_view sKey, std::string_view sValue) const;

    // The same on the system-wide profile: on Windows through the native
    // functions, on Linux in a file of ours under the user's configuration
    // directory.
    std::string GetWinINIString(std::string_view sSection, std::string_view sKey, std::string_view sDefault) const;
    void WriteWinINIString(std::string_view sSection, std::string_view sKey, std::string_view sValue) const;

private:
    std::string fileName_;
};

#ifndef _WIN32
// The system-wide profile's file: "kavtra/win.ini" under the user's
// configuration directory ($XDG_CONFIG_HOME, or ~/.config).
std::string systemProfilePath();
#endif

}  // namespace kavtra
