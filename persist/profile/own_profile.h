#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "persist/ini/profile_text.h"

namespace kavtra {

// A profile file of the program's own, read in one look for reads of whole
// values (ProfileReader::wholeValue): no Windows function reads it, so their
// 511-character cut has no reason to apply. Where the profile functions would
// read an unreadable file as empty, this says why it was not read.
struct OwnProfile {
    std::shared_ptr<const ProfileReader> reader;  // never null; empty when error is set
    std::string error;                            // why the file was not read, in the program's language
};

// The file at path, missing reading as empty. Refused: a file larger than
// `largest` bytes (looked at before it is read), one that cannot be read, a
// UTF-16 file and one with NUL bytes, which no text file has. `largest` is
// whole MiB, as the refusal names it.
OwnProfile readOwnProfile(const std::string& path, std::uintmax_t largest);
// The same checks of bytes already at hand, such as a file in an archive.
OwnProfile ownProfileOf(std::string bytes, std::uintmax_t largest);

}  // namespace kavtra
