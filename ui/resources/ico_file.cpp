#include "ui/resources/ico_file.h"

#include <QtEndian>

namespace kavtra {
namespace {

void put16(QByteArray& out, int value) {
    const quint16 v = qToLittleEndian(static_cast<quint16>(value));
    out.append(reinterpret_cast<const char*>(&v), sizeof v);
}

void put32(QByteArray& out, qint64 value) {
    const quint32 v = qToLittleEndian(static_cast<quint32>(value));
    out.append(reinterpret_cast<const char*>(&v), sizeof v);
}

// A bitmap without its file header, bottom row first, then the mask. The
// alpha channel decides what shows; the mask is kept clear (all drawn) and is
// there only because the format asks for it.
QByteArray bitmapEntry(const QImage& picture) {
    const QImage image = picture.convertToFormat(QImage::Format_ARGB32);
    const int size = image.width();
    const int maskStride = ((size + 31) / 32) * 4;
    QByteArray out;
    put32(out, 40);
    put32(out, size);
    put32(out, 2 * size);  // colours and mask, one above the other
    put16(out, 1);
    put16(out, 32);
    put32(out, 0);  // uncompressed
    put32(out, qint64(size) * size * 4 + qint64(maskStride) * size);
    for (int i = 0; i < 4; ++i) put32(out, 0);
    for (int y = size - 1; y >= 0; --y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < size; ++x) put32(out, row[x]);  // B, G, R, A in memory order
    }
    out.append(QByteArray(maskStride * size, '\0'));
    return out;
}

}  // namespace

QByteArray icoFile(const QList<QImage>& pictures) {
    QList<QByteArray> entries;
    for (const QImage& picture : pictures) entries.append(bitmapEntry(picture));
    QByteArray out;
    put16(out, 0);
    put16(out, 1);  // icon, not cursor
    put16(out, static_cast<int>(entries.size()));
    qint64 offset = 6 + 16 * entries.size();
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const int size = pictures[i].width();
        out.append(static_cast<char>(size >= 256 ? 0 : size));  // 0 stands for 256
        out.append(static_cast<char>(size >= 256 ? 0 : size));
        out.append('\0');  // no palette
        out.append('\0');
        put16(out, 1);
        put16(out, 32);
        put32(out, entries[i].size());
        put32(out, offset);
        offset += entries[i].size();
    }
    for (const QByteArray& entry : entries) out.append(entry);
    return out;
}

}  // namespace kavtra
