#include "web/web_settings.h"

#include <algorithm>

#include "persist/ini/ini_lines.h"

namespace kavtra::web {

WebSettings readWebSettings(const clsINI& config, std::string_view hostName) {
    WebSettings settings;
    settings.tiles = readOutputChoice(config);
    const auto read = [&](std::string_view key) {
        return std::string(ini::trimBlanks(config.GetPrivateINIString("Web", key, "")));
    };
    const std::string listen = read("Listen");
    if (listen.empty()) return settings;
    const auto addName = [&](std::string name) {
        name = ini::asciiLower(name);
        if (isHostName(name) && std::find(settings.names.begin(), settings.names.end(), name) == settings.names.end())
            settings.names.push_back(std::move(name));
    };
    if (!hostName.empty()) {
        addName(std::string(hostName));
        addName(std::string(hostName) + ".local");
    }
    const std::string names = read("Names");
    for (std::size_t start = 0; start <= names.size();) {
        const std::size_t comma = std::min(names.find(',', start), names.size());
        const std::string name(ini::trimBlanks(std::string_view(names).substr(start, comma - start)));
        if (!name.empty() && !isHostName(name)) {
            settings.problem = "веб-доступ выключен: в ключе Names раздела [Web] файла config.ini «" + name +
                               "» не имя компьютера (буквы, цифры, «-» и «.»)";
            return settings;
        }
        if (!name.empty()) addName(name);
        start = comma + 1;
    }
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
