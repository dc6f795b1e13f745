#include "persist/profile/cls_ini.h"

#include "persist/paths/program_paths.h"
#include "persist/profile/profile.h"

namespace kavtra {

clsINI::clsINI() : fileName_(executableBaseName() + ".ini") {}

std::string clsINI::GetPrivateINIString(std::string_view sSection, std::string_view sKEy,
                                        std::string_view sDefault) const {
    return getPrivateProfileString(sSection, sKEy, sDefault, fileName_);
}

void clsINI::WritePrivateINIString(std::string_view sSection, std::string_view sKEy, std::string_view sValue) const {
    writePrivateProfileString(sSection, sKEy, sValue, fileName_);
}

}  // namespace kavtra
