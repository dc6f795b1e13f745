#include "control/socket_place.h"

#include <QCryptographicHash>

namespace kavtra {

SocketPlace commandSocketPlace(const QString& filesDir) {
    const QByteArray key = (platform::userKey() + QChar(u'\0') + platform::directoryKey(filesDir)).toUtf8();
    const QByteArray digest = QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex().left(20);
    return platform::socketPlace(QStringLiteral("kavtra-") + QString::fromLatin1(digest));
}

}  // namespace kavtra
