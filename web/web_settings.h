#pragma once

#include <string>

#include "persist/profile/cls_ini.h"
#include "web/access.h"

namespace kavtra::web {

// [Web] of config.ini. An empty or missing Listen leaves the web access
// off; Certificate and Key (PEM files) together turn on TLS.
struct WebSettings {
    bool enabled = false;
    ListenAddress listen;
    std::string certificate;
    std::string key;
    std::string problem;  // why a setting keeps it off, in Russian; empty when none

    bool tls() const { return !certificate.empty(); }
    bool operator==(const WebSettings&) const = default;
};
WebSettings readWebSettings(const clsINI& config);

}  // namespace kavtra::web
