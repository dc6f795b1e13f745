// Pictures of the dialogs for the documentation: kavtra_shots OUTPUT_DIR.
// "Место" goes to guide/ under it, with Moscow picked.
// Run it on a real display (for example under xvfb-run) so that the platform's
// own fonts and style are used. The dialogs read a fresh, empty folder and so
// show the default settings.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

#include "persist/files/settings.h"
#include "persist/profile/cls_ini.h"
#include "ui/dialogs/about_frm.h"
#include "ui/dialogs/option_frm.h"
#include "ui/dialogs/place_dialog.h"

namespace {

bool shoot(QWidget& dialog, const QString& file) {
    dialog.show();
    if (!QTest::qWaitForWindowExposed(&dialog)) return false;
    QTest::qWait(200);
    const bool saved = dialog.grab().save(file);
    dialog.hide();
    return saved;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: kavtra_shots OUTPUT_DIR\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QTemporaryDir programDir;
    kavtra::clsINI config;
    config.FileName(kavtra::configPath(programDir.path().toStdString()));
    kavtra::Settings settings(config);
    kavtra::OptionFrm options(settings);
    kavtra::AboutFrm about(programDir.path().toStdString());
    kavtra::RuleBook rules(programDir.filePath(QStringLiteral("Rules.ini")).toStdString());
    kavtra::PlaceDialog place(rules);
    place.city->setCurrentIndex(place.city->findText(QStringLiteral("Москва")));
    emit place.city->activated(place.city->currentIndex());
    const bool ok = shoot(options, out.filePath(QStringLiteral("option_frm.png"))) &&
                    shoot(about, out.filePath(QStringLiteral("about_frm.png"))) &&
                    shoot(place, out.filePath(QStringLiteral("guide/place-dialog.png")));
    return ok ? 0 : 1;
}
