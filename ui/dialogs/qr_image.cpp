#include "ui/dialogs/qr_image.h"

#include <qrcodegen.hpp>

namespace kavtra {

QImage qrImage(const QString& text, int scale) {
    using qrcodegen::QrCode;
    const QrCode code = QrCode::encodeText(text.toUtf8().constData(), QrCode::Ecc::MEDIUM);
    constexpr int kQuietZone = 4;
    const int modules = code.getSize() + 2 * kQuietZone;
    QImage image(modules * scale, modules * scale, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int y = 0; y < code.getSize(); ++y)
        for (int x = 0; x < code.getSize(); ++x) {
            if (!code.getModule(x, y)) continue;
            for (int dy = 0; dy < scale; ++dy)
                for (int dx = 0; dx < scale; ++dx)
                    image.setPixel((x + kQuietZone) * scale + dx, (y + kQuietZone) * scale + dy, qRgb(0, 0, 0));
        }
    return image;
}

}  // namespace kavtra
