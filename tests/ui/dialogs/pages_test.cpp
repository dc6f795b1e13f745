#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QLabel>
#include <QRegularExpression>
#include <QTest>
#include <QXmlStreamReader>
#include <vector>

#include "ui/dialogs/about_frm.h"

namespace kavtra {
namespace {

const QString kProgramDir = QStringLiteral(KAVTRA_PROGRAM_DIR);

QString readText(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return QString::fromUtf8(file.readAll());
}

TEST(Pages, EveryLinkOfTheAboutBoxOpensAPageBesideTheProgram) {
    AboutFrm dialog(kProgramDir.toStdString());
    std::vector<QUrl> opened;
    dialog.setOpener([&](const QUrl& url, const std::function<void()>&) { opened.push_back(url); });
    dialog.show();
    for (const char* link : {"Label4", "Label5", "Label8", "Label11"})
        QTest::mouseClick(dialog.findChild<QLabel*>(QLatin1String(link)), Qt::LeftButton);
    ASSERT_EQ(opened.size(), 4u);
    for (const QUrl& url : opened) {
        ASSERT_TRUE(url.isLocalFile()) << url.toString().toStdString();
        const QFileInfo page(url.toLocalFile());
        EXPECT_TRUE(page.isFile()) << page.filePath().toStdString();
        // A cross build's folder is a Unix path, which the program under Wine
        // sees on a drive.
        EXPECT_EQ(page.absolutePath(),
                  QFileInfo(QDir(kProgramDir).filePath(QStringLiteral("docs"))).absoluteFilePath());
        EXPECT_TRUE(readText(page.filePath()).contains(QStringLiteral("<html lang=\"ru\">")));
    }
}

// The pages are read without a network: everything they refer to is shipped
// with them, and nothing points to an address on the web.
TEST(Pages, RefersOnlyToShippedFiles) {
    const QDir docs(QDir(kProgramDir).filePath(QStringLiteral("docs")));
    const QStringList pages = docs.entryList({QStringLiteral("*.html")}, QDir::Files);
    ASSERT_GE(pages.size(), 4);
    const QRegularExpression reference(QStringLiteral(R"re((?:href|src)="([^"]*)")re"));
    for (const QString& name : pages) {
        const QString text = readText(docs.filePath(name));
        for (const QRegularExpressionMatch& m : reference.globalMatch(text)) {
            const QString target = m.captured(1).section(QLatin1Char('#'), 0, 0);
            SCOPED_TRACE((name + QStringLiteral(": ") + m.captured(1)).toStdString());
            EXPECT_FALSE(target.contains(QLatin1Char(':')));
            if (!target.isEmpty()) {
                EXPECT_TRUE(QFileInfo(docs.filePath(target)).isFile());
            }
        }
    }
}

TEST(Pages, TheWiringDrawingIsWellFormed) {
    QXmlStreamReader svg(readText(QDir(kProgramDir).filePath(QStringLiteral("docs/chain.svg"))));
    int registers = 0;
    while (!svg.atEnd()) {
        svg.readNext();
        if (svg.isCharacters() && svg.text().toString() == QStringLiteral("74HC595")) ++registers;
    }
    EXPECT_FALSE(svg.hasError()) << svg.errorString().toStdString();
    EXPECT_EQ(registers, 5);
}

// Every label drawn inside a box (the connector, the registers) ends inside
// it, measured in the drawing's own font.
TEST(Pages, TheWiringDrawingsLabelsStayInsideTheirBoxes) {
    for (const char* file : {"DejaVuSans.ttf", "DejaVuSans-Bold.ttf"})
        ASSERT_NE(QFontDatabase::addApplicationFont(QStringLiteral(KAVTRA_DEJAVU_DIR "/") + QLatin1String(file)), -1)
            << file;
    QXmlStreamReader svg(readText(QDir(kProgramDir).filePath(QStringLiteral("docs/chain.svg"))));
    std::vector<QRectF> boxes;
    int checked = 0;
    while (!svg.atEnd()) {
        svg.readNext();
        if (!svg.isStartElement()) continue;
        const QXmlStreamAttributes a = svg.attributes();
        const auto number = [&](const char* name) { return a.value(QLatin1String(name)).toDouble(); };
        if (svg.name() == QStringLiteral("rect") && a.value(QStringLiteral("class")) == QStringLiteral("b")) {
            boxes.emplace_back(number("x"), number("y"), number("width"), number("height"));
            continue;
        }
        if (svg.name() != QStringLiteral("text") || a.hasAttribute(QStringLiteral("transform"))) continue;
        const QStringList classes = a.value(QStringLiteral("class")).toString().split(QLatin1Char(' '));
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(classes.contains(QStringLiteral("s")) ? 10 : classes.contains(QStringLiteral("t")) ? 11 : 12);
        font.setBold(a.value(QStringLiteral("font-weight")) == QStringLiteral("bold"));
        ASSERT_EQ(QFontInfo(font).family(), QStringLiteral("DejaVu Sans"));
        const QPointF at(number("x"), number("y"));
        const QString anchor = a.value(QStringLiteral("text-anchor")).toString();
        const QString text = svg.readElementText();
        const qreal width = QFontMetricsF(font).horizontalAdvance(text);
        const qreal left = anchor == QStringLiteral("middle") ? at.x() - width / 2
                           : anchor == QStringLiteral("end")  ? at.x() - width
                                                              : at.x();
        for (const QRectF& box : boxes) {
            if (!box.contains(at)) continue;
            EXPECT_GE(left, box.left()) << text.toStdString() << " at " << at.x();
            EXPECT_LE(left + width, box.right()) << text.toStdString() << " at " << at.x();
            ++checked;
        }
    }
    EXPECT_FALSE(svg.hasError()) << svg.errorString().toStdString();
    EXPECT_GT(checked, 5 * 14);
}

}  // namespace
}  // namespace kavtra
