#include "ui/main/main_status_bar.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

#include <QLayout>

#include <algorithm>
#include <array>

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
      web(new StatusField(this)),
      message(new StatusField(this)) {
    setSizeGripEnabled(false);
    addWidget(port);
    addWidget(files, 1);
    addWidget(network);
    addWidget(web);
    addWidget(message, 2);
    network->hide();
    web->hide();
    message->hide();
    // Reports come from whichever thread read or saved; the fields change on
    // this one.
    listener_ = addProfileListener([this](const ProfileReport& report) {
        QMetaObject::invokeMethod(
            this, [this, report] { heard(report); }, Qt::AutoConnection);
    });
}

MainStatusBar::~MainStatusBar() { removeProfileListener(listener_); }

void MainStatusBar::setPortName(const QString& name, bool simulated, const QString& standsInFor) {
    const QString model = standsInFor.isEmpty() ? QStringLiteral("модель платы")
                                                : QStringLiteral("модель платы вместо %1").arg(standsInFor);
    port->setFullText(QStringLiteral("Порт: ") + (simulated ? model : name));
    makeRoom();
}

void MainStatusBar::setFilesDirectory(const QString& dir, bool moved) {
    const QString shown = QDir::toNativeSeparators(dir);
    files->setFullText(moved ? QStringLiteral("Файлы: %1 (папка программы закрыта для записи)").arg(shown)
                             : QStringLiteral("Файлы: %1").arg(shown));
    makeRoom();
}

void MainStatusBar::setNetworkState(const QString& text) { showState(*network, text); }

void MainStatusBar::setWebState(const QString& text) { showState(*web, text); }

void MainStatusBar::showState(StatusField& field, const QString& text) {
    field.setFullText(text);
    field.setVisible(!text.isEmpty());
    makeRoom();
}

void MainStatusBar::showNotice(const QString& text) {
    notice_ = text;
    showMessage();
}

void MainStatusBar::setRuleProblems(const QStringList& problems) {
    if (problems == problems_) return;
    problems_ = problems;
    problemsHeard_ = ++heardSoFar_;
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
    if (!showsRed()) {
        message->setFullText(notice_);
    } else {
        // The latest of the failures and the rules' problems.
        QString latest;
        std::uint64_t latestHeard = 0;
        for (const auto& [path, failure] : failures_) {
            if (failure.order < latestHeard) continue;
            latest = failure.text;
            latestHeard = failure.order;
        }
        if (!problems_.isEmpty() && problemsHeard_ > latestHeard)
            latest = problems_.size() == 1
                         ? problems_.front()
                         : QStringLiteral("%1 (и ещё %2)").arg(problems_.front()).arg(problems_.size() - 1);
        message->setFullText(latest);
        // The tooltip names every file that is still not saved, and every
        // entry of Rules.ini left out.
        QStringList all;
        for (const auto& [path, failure] : failures_)
            all.append(QDir::toNativeSeparators(QString::fromStdString(path)) + QStringLiteral(": ") + failure.text);
        all.append(problems_);
        message->setToolTip(all.join(QLatin1Char('\n')));
        colours.setColor(QPalette::WindowText, kFailureColour);
    }
    message->setPalette(colours);
    message->setVisible(!message->fullText().isEmpty());
    makeRoom();
}

void MainStatusBar::resizeEvent(QResizeEvent* event) {
    QStatusBar::resizeEvent(event);
    makeRoom();
}

void MainStatusBar::showEvent(QShowEvent* event) {
    QStatusBar::showEvent(event);
    makeRoom();
}

// The layout takes the same share from every field that is short of room,
// so a failure would lose its reason to keep the port's text whole. Capping
// the other fields leaves the failure its whole width where the bar has it;
// the port comes first among them, the folder last, since the failure's
// tooltip names the folder again.
void MainStatusBar::makeRoom() {
    const std::array<StatusField*, 4> others = {port, network, web, files};
    if (!showsRed() || !isVisible()) {
        for (StatusField* field : others) field->setMaximumWidth(QWIDGETSIZE_MAX);
        return;
    }
    // The fields' widths as the layout splits the bar now: their sum is what
    // the bar has for fields, whatever its own margins and spacing, and
    // however the caps set before divide it.
    layout()->activate();
    int spare = message->width() - message->sizeHint().width();
    int reserved = 0;
    for (StatusField* field : others) {
        if (field->isHidden()) continue;
        spare += field->width();
        reserved += field->minimumSizeHint().width();
    }
    for (StatusField* field : others) {
        if (field->isHidden()) continue;
        const int least = field->minimumSizeHint().width();
        reserved -= least;
        const int cap = std::max(least, std::min(field->sizeHint().width(), spare - reserved));
        field->setMaximumWidth(cap);
        spare -= cap;
    }
}

}  // namespace kavtra
