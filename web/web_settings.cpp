#include "web/web_settings.h"

#include "persist/ini/ini_lines.h"

namespace kavtra::web {

WebSettings readWebSettings(const clsINI& config) {
    WebSettings settings;
    const auto read = [&](std::string_view key) {
        return std::string(ini::trimBlanks(config.GetPrivateINIString("Web", key, "")));
    };
    const std::string listen = read("Listen");
    if (listen.empty()) return settings;
    const std::optional<ListenAddress> address = parseListen(listen);
    if (!address) {
        settings.problem =
            "веб-доступ выключен: ключ Listen в разделе [Web] файла config.ini должен быть портом или "
            "адресом и портом, например 8080 или 127.0.0.1:8080, а не «" +
            listen + "»";
        return settings;
    }
    settings.listen = *address;
    settings.certificate = read("Certificate");
    settings.key = read("Key");
    if (settings.certificate.empty() != settings.key.empty()) {
        settings.problem =
            "веб-доступ выключен: для TLS в разделе [Web] файла config.ini нужны оба ключа, "
            "Certificate и Key";
        return settings;
    }
    settings.enabled = true;
    return settings;
}

}  // namespace kavtra::web
