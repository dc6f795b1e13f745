#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kavtra {

// The private-profile operations with the rules Windows applies to INI
// files: names match in any ASCII letter case, the first matching section and
// key win, blanks around names and values are not part of them, every line a
// write does not touch is kept byte for byte, and each save is atomic.
// Texts are UTF-8 in memory and Windows-1251 on disk (UTF-8 where the file
// starts with a byte-order mark; see startProfileAsUtf8).

// The value of key in section of file, at most 511 characters, or def (also
// cut to 511) when the file, the section or the key is missing.
std::string getPrivateProfileString(std::string_view section, std::string_view key, std::string_view def,
                                    const std::string& file);

// Writes key=value into section of file, creating what is missing. A write
// that cannot be made leaves the file as it was and is reported on standard
// error (once per path and reason).
void writePrivateProfileString(std::string_view section, std::string_view key, std::string_view value,
                               const std::string& file);

// The names of the sections of file in the order they stand there, each name
// once, spelled as its first section spells it (the one reads and writes
// find), blanks trimmed. An empty name is left out: Windows' list of names
// ends at an empty one. None when the file is missing; a file that cannot be
// read, or is UTF-16, gives none and is reported like getPrivateProfileString.
std::vector<std::string> profileSectionNames(const std::string& file);

// The names of the keys of section in file in the order they stand there,
// each name once, spelled as its first line spells it; reported like
// profileSectionNames.
std::vector<std::string> profileKeyNames(std::string_view section, const std::string& file);

// Removes the first section of that name from file: its header and every line
// up to the next section header, as Windows does when a write gives neither
// key nor value. A missing section or file changes nothing, and no file is
// created. A refusal (a UTF-16 file) is reported as a write's is.
void removeProfileSection(std::string_view section, const std::string& file);

// Makes file a UTF-8 file with a byte-order mark if it is missing or empty
// when this takes effect; a file with any text keeps its encoding. It takes
// effect in its place among the writes: called first in a ProfileWriteGroup,
// it makes the file the group creates UTF-8 ("\xEF\xBB\xBF[Section]\r\n...").
// Called alone on a missing file, it creates one that holds the mark only,
// which later writes keep.
void startProfileAsUtf8(const std::string& file);

// While an object of this type lives on the current thread, writes, removals
// and marks are collected per file in memory, in the order they were made,
// and each file is saved once, atomically, when the outermost group ends (so
// writes of a new section and the removal of the old one rename a section in
// one save). Reads and section lists made meanwhile see the collected changes.
class ProfileWriteGroup {
public:
    ProfileWriteGroup();
    ~ProfileWriteGroup();
    ProfileWriteGroup(const ProfileWriteGroup&) = delete;
    ProfileWriteGroup& operator=(const ProfileWriteGroup&) = delete;

    // Ends the group now rather than when it goes: as the outermost group,
    // saves, and says why the save of `path` did not reach the file. Nothing
    // when it did, when the group wrote nothing to `path`, or when an outer
    // group saves later. Failures are reported to the listeners either way.
    std::string close(const std::string& path);

private:
    bool closed_ = false;
};

// Runs `saves` (writes of path, in a write group of their own) and says why
// they did not reach the file, or nothing when they did.
std::string saveFailure(const std::string& path, const std::function<void()>& saves);

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
