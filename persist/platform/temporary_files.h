#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kavtra {

// The temporary file a save writes before renaming it over its target:
// hidden, in the target's directory, named after the target, the writing
// process and a counter of that process, so that a leftover can be traced
// back to its writer.
std::string temporaryPath(const std::string& target, unsigned long process, unsigned counter);

// The writing process of the file called name in target's directory when it
// is one of target's temporary files; nothing for any other name, those of
// other targets' temporaries included.
std::optional<unsigned long> temporaryWriter(std::string_view name, std::string_view target);

// Per platform, beside the file functions.
unsigned long currentProcessId();
bool processRunning(unsigned long process);

}  // namespace kavtra
