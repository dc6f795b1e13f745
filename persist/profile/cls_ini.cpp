#include "persist/profile/cls_ini.h"

#include "persist/paths/program_paths.h"
#include "persist/profile/profile.h"

namespace kavtra {

clsINI::clsINI() : fileName_(executableBaseName() + ".ini") {}

std::string clsINI::GetPrivateINIString(std::string_view sSection, std::string_view sKey,
                                        std::string_view sDefault) const {
    return getPrivateProfileString(sSection, sKey, sDefault, fileName_);
}

void clsINI::WritePrivateINIString(std::string_view sSection, std::string_view sKey, std::string_view sValue) const {
    writePrivateProfileString(sSection, sKey, sValue, fileName_);
}

}  // namespace kavtra
