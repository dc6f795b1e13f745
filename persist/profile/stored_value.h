#pragma once

#include <string>
#include <string_view>

namespace kavtra {

// The text a read of key in section of file would give back once value had
// been saved there, the file being as it is now: a Windows-1251 file turns
// characters it lacks into '?', a file with a UTF-8 byte-order mark keeps
// them; blanks at the ends are lost, line breaks become blanks, and a read
// returns at most 511 characters. Where the save could not be made at all
// (the file unreadable, a write refused), value comes back as it is: that
// failure is reported when the save is tried.
std::string valueAsStored(std::string_view section, std::string_view key, std::string_view value,
                          const std::string& file);

}  // namespace kavtra
