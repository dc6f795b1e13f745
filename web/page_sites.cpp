#include "web/page_sites.h"

#include <QHostAddress>
#include <QNetworkInterface>

namespace kavtra::web {
namespace {

QString site(const WebSettings& settings, QString host, int port) {
    if (host.contains(QLatin1Char(':'))) host = QStringLiteral("[%1]").arg(host);
    return QStringLiteral("%1://%2:%3").arg(settings.tls() ? "https" : "http", host).arg(port);
}

}  // namespace

bool reachableFromNetwork(const WebSettings& settings) { return settings.enabled && !settings.listen.loopback(); }

QStringList pageSites(const WebSettings& settings, int port) {
    if (!settings.enabled) return {};
    const ListenAddress& listen = settings.listen;
    if (!listen.anyAddress()) return {site(settings, QString::fromStdString(listen.host), port)};
    QStringList sites;
    if (listen.name()) sites.append(site(settings, QString::fromStdString(listen.host), port));
    QStringList ipv6;
    for (const QHostAddress& address : QNetworkInterface::allAddresses()) {
        if (address.isLoopback() || address.isLinkLocal() || address.isNull()) continue;
        QHostAddress plain = address;
        plain.setScopeId({});
        const bool v4 = address.protocol() == QAbstractSocket::IPv4Protocol;
        // Listening on 0.0.0.0 takes no IPv6 connection.
        if (!v4 && listen.host == "0.0.0.0") continue;
        (v4 ? sites : ipv6).append(site(settings, plain.toString(), port));
    }
    for (const std::string& name : settings.names) sites.append(site(settings, QString::fromStdString(name), port));
    sites.append(ipv6);
    sites.removeDuplicates();
    if (sites.isEmpty()) sites.append(site(settings, QStringLiteral("127.0.0.1"), port));
    return sites;
}

}  // namespace kavtra::web
