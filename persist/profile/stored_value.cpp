#include "persist/profile/stored_value.h"

#include "persist/ini/profile_text.h"
#include "persist/platform/file_io.h"

namespace kavtra {

std::string valueAsStored(std::string_view section, std::string_view key, std::string_view value,
                          const std::string& file) {
    // The save's own steps, on a copy in memory: nothing short of them knows
    // every rule the file applies on the way out and back in.
    const FileRead current = readWholeFile(file);
    if (!current.error.empty()) return std::string(value);
    ProfileEdit edit(current.bytes);
    if (edit.write(section, key, value)) return std::string(value);
    return readProfileValue(edit.bytes(), section, key).value_or(std::string(value));
}

}  // namespace kavtra
