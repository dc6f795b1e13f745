#pragma once

#include <string>
#include <string_view>

namespace kavtra {

// The two private-profile operations with the rules Windows applies to INI
// files: names match in any ASCII letter case, the first matching section and
// key win, blanks around names and values are not part of them, every line a
// write does not touch is kept byte for byte, and each save is atomic.
// Texts are UTF-8 in memory and Windows-1251 on disk (UTF-8 where the file
// starts with a byte-order mark).

// The value of key in section of file, at most 511 characters, or def (also
// cut to 511) when the file, the section or the key is missing.
std::string getPrivateProfileString(std::string_view section, std::string_view key, std::string_view def,
                                    const std::string& file);

// Writes key=value into section of file, creating what is missing. A write
// that cannot be made leaves the file as it was and is reported on standard
// error (once per path and reason).
void writePrivateProfileString(std::string_view section, std::string_view key, std::string_view value,
                               const std::string& file);

// While an object of this type lives on the current thread, writes are
// collected per file in memory and each file is saved once, atomically, when
// the outermost group ends. Reads made meanwhile see the collected writes.
class ProfileWriteGroup {
public:
    ProfileWriteGroup();
    ~ProfileWriteGroup();
    ProfileWriteGroup(const ProfileWriteGroup&) = delete;
    ProfileWriteGroup& operator=(const ProfileWriteGroup&) = delete;
};

// While an object of this type lives on the current thread, each file is
// looked at once: later reads of it answer from the same snapshot, as one
// read of the whole file would, instead of checking the file again for every
// key (a round trip to the system each, which under Wine costs milliseconds).
// For reads that belong together, such as a whole list's. A save of the file
// meanwhile ends its snapshot, so the group's reads see their own writes.
class ProfileReadGroup {
public:
    ProfileReadGroup();
    ~ProfileReadGroup();
    ProfileReadGroup(const ProfileReadGroup&) = delete;
    ProfileReadGroup& operator=(const ProfileReadGroup&) = delete;
};

}  // namespace kavtra
