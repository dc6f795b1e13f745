#pragma once

#include <QImage>
#include <QString>

namespace kavtra {

// `text` as a QR code a phone's camera reads from a screen: dark modules on
// white, the four-module quiet zone the standard asks for around them,
// `scale` pixels a module. Medium error correction: an address with a token
// fits in a code small enough for any screen.
QImage qrImage(const QString& text, int scale);

}  // namespace kavtra
