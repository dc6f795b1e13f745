#include <QFile>
#include <QGuiApplication>
#include <QTextStream>

#include <cstdio>

#include "ui/resources/ico_file.h"
#include "ui/resources/image1.h"

// Writes the desktop icons at build time, from the same drawing as the window
// icon: a 48-pixel PNG and a scalable SVG, and for Windows an icon file.
// Usage: write_icons OUT.png OUT.svg [OUT.ico]
namespace {

QString svgPath(const QPainterPath& path) {
    QString d;
    QTextStream out(&d);
    out.setRealNumberPrecision(4);
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        switch (e.type) {
        case QPainterPath::MoveToElement:
            if (i > 0) out << "Z ";
            out << "M" << e.x << ' ' << e.y << ' ';
            break;
        case QPainterPath::LineToElement: out << "L" << e.x << ' ' << e.y << ' '; break;
        case QPainterPath::CurveToElement: out << "C" << e.x << ' ' << e.y << ' '; break;
        case QPainterPath::CurveToDataElement: out << e.x << ' ' << e.y << ' '; break;
        }
    }
    out << "Z";
    return d;
}

bool writeIco(const QString& path) {
    QList<QImage> pictures;
    for (int size : {16, 24, 32, 48, 64, 256}) pictures.append(kavtra::drawGear(size));
    QFile ico(path);
    return ico.open(QIODevice::WriteOnly | QIODevice::Truncate) && ico.write(kavtra::icoFile(pictures)) != -1 &&
           ico.flush();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: %s OUT.png OUT.svg [OUT.ico]\n", argv[0]);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (!kavtra::drawGear(48).save(QString::fromLocal8Bit(argv[1]), "PNG")) return 1;
    if (argc == 4 && !writeIco(QString::fromLocal8Bit(argv[3]))) return 1;
    QFile svg(QString::fromLocal8Bit(argv[2]));
    if (!svg.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 1;
    QTextStream out(&svg);
    out << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"48\" height=\"48\" viewBox=\"0 0 48 48\">\n"
        << "  <defs><linearGradient id=\"steel\" x1=\"0\" y1=\"0\" x2=\"1\" y2=\"1\">"
        << "<stop offset=\"0\" stop-color=\"#96aabe\"/><stop offset=\"1\" stop-color=\"#374b64\"/>"
        << "</linearGradient></defs>\n"
        << "  <path fill=\"url(#steel)\" fill-rule=\"evenodd\" stroke=\"#232d3c\" stroke-width=\""
        << kavtra::gearPenWidth(48) << "\" stroke-linejoin=\"bevel\" d=\"" << svgPath(kavtra::gearOutline(48))
        << "\"/>\n"
        << "</svg>\n";
    return out.status() == QTextStream::Ok ? 0 : 1;
}
