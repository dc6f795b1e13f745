#include "ui/main/main_status_bar.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace kavtra {
namespace {

const QColor kFailureColour(192, 0, 0);

QString failureText(const ProfileReport& report) {
    const QString file = QFileInfo(QString::fromStdString(report.path)).fileName();
    const QString reason = QString::fromStdString(report.reason);
    if (report.what == kNotRead) return QStringLiteral("Не удалось прочитать %1: %2").arg(file, reason);
    return QStringLiteral("Не удалось сохранить %1: %2").arg(file, reason);
}

}  // namespace

MainStatusBar::MainStatusBar(QWidget* parent)
    : QStatusBar(parent),
      port(new StatusField(this)),
      files(new StatusField(this)),
      network(new StatusField(this)),
      message(new StatusField(this)) {
    setSizeGripEnabled(false);
    addWidget(port);
    addWidget(files, 1);
    addWidget(network);
    addWidget(message, 2);
    network->hide();
    message->hide();
    // Reports come from whichever thread read or saved; the fields change on
    // this one.
    listener_ = addProfileListener([this](const ProfileReport& report) {
        QMetaObject::invokeMethod(
            this, [this, report] { heard(report); }, Qt::AutoConnection);
    });
}

MainStatusBar::~MainStatusBar() { removeProfileListener(listener_); }

void MainStatusBar::setPortName(const QString& name, bool simulated) {
    port->setFullText(QStringLiteral("Порт: ") + (simulated ? QStringLiteral("модель платы") : name));
}

void MainStatusBar::setFilesDirectory(const QString& dir, bool moved) {
    const QString shown = QDir::toNativeSeparators(dir);
    files->setFullText(moved ? QStringLiteral("Файлы: %1 (папка программы закрыта для записи)").arg(shown)
                             : QStringLiteral("Файлы: %1").arg(shown));
}

void MainStatusBar::setNetworkState(const QString& text) {
    network->setFullText(text);
    network->setVisible(!text.isEmpty());
}

void MainStatusBar::showNotice(const QString& text) {
    notice_ = text;
    showMessage();
}

void MainStatusBar::heard(const ProfileReport& report) {
    if (report.failed())
        failures_[report.path] = Failure{failureText(report), ++heardSoFar_};
    else if (failures_.erase(report.path) == 0)
        return;
    showMessage();
}

void MainStatusBar::showMessage() {
    QPalette colours = QApplication::palette(message);
    if (failures_.empty()) {
        message->setFullText(notice_);
    } else {
        const auto latest = std::max_element(failures_.begin(), failures_.end(), [](const auto& a, const auto& b) {
            return a.second.order < b.second.order;
        });
        message->setFullText(latest->second.text);
        // The tooltip names every file that is still not saved.
        QStringList all;
        for (const auto& [path, failure] : failures_)
            all.append(QDir::toNativeSeparators(QString::fromStdString(path)) + QStringLiteral(": ") + failure.text);
        message->setToolTip(all.join(QLatin1Char('\n')));
        colours.setColor(QPalette::WindowText, kFailureColour);
    }
    message->setPalette(colours);
    message->setVisible(!message->fullText().isEmpty());
}

}  // namespace kavtra
