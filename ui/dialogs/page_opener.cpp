#include "ui/dialogs/page_opener.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QProcess>

namespace kavtra {

void openPage(const QUrl& page, std::function<void()> failed) {
#ifdef _WIN32
    // The shell answers at once whether anything will show it.
    if (!QDesktopServices::openUrl(page)) failed();
#else
    openPageWith(QStringLiteral("xdg-open"), page, std::move(failed));
#endif
}

void openPageWith(const QString& opener, const QUrl& page, std::function<void()> failed) {
    // The application's, not the dialog's: the answer may come after the
    // dialog has gone, and the user must still hear it.
    auto* process = new QProcess(QCoreApplication::instance());
    // A browser's complaints (no sandbox as root, no GPU) are not the
    // program's to print.
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    QObject::connect(process, &QProcess::errorOccurred, process, [process, failed](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart) return;
        failed();
        process->deleteLater();
    });
    QObject::connect(process, &QProcess::finished, process, [process, failed](int status, QProcess::ExitStatus how) {
        if (how != QProcess::NormalExit || status != 0) failed();
        process->deleteLater();
    });
    process->start(opener, {page.toString()});
}

}  // namespace kavtra
