#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "commands/output_choice.h"
#include "persist/profile/cls_ini.h"
#include "web/access.h"

namespace kavtra::web {

// [Web] of config.ini. An empty or missing Listen leaves the web access
// off; Certificate and Key (PEM files) together turn on TLS. Names lists,
// with commas, further names of this computer that requests may use.
struct WebSettings {
    bool enabled = false;
    ListenAddress listen;
    std::string certificate;
    std::string key;
    // The computer's host name and NAME.local, then those of Names, lower case.
    std::vector<std::string> names;
    // The outputs the page has tiles for: Home Assistant's, [MQTT] Outputs=.
    OutputChoice tiles;
    std::string problem;  // why a setting keeps it off, in Russian; empty when none

    bool tls() const { return !certificate.empty(); }
    Site site() const { return {listen, tls(), names}; }
    bool operator==(const WebSettings&) const = default;
};
// hostName: the computer's name, as the system gives it.
WebSettings readWebSettings(const clsINI& config, std::string_view hostName);

}  // namespace kavtra::web
