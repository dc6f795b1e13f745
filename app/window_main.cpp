#include <QApplication>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/console.h"
#include "app/copy_start.h"
#include "app/display_check.h"
#include "app/no_window.h"
#include "app/program.h"
#include "app/program_transports.h"
#include "app/program_window.h"
#include "control/command_client.h"
#include "control/command_line.h"

namespace {

// A port that cannot be opened ends the program at once, before anything has
// been written to either file, and takes the command socket with it. The port
// is opened before the window exists; should a failure still arrive while the
// message is shown, it ends at once.
[[noreturn]] void endForPortWithMessage(const kavtra::PortFailure& failure, std::unique_ptr<QLocalServer>& server) {
    static bool reporting = false;
    if (!reporting) {
        reporting = true;
        kavtra::printLine(stderr, "kavtra: " + failure.message);
        QMessageBox::critical(nullptr, QStringLiteral("Кавтра"), QString::fromStdString(failure.message));
    }
    server.reset();
    std::_Exit(kavtra::kExitCouldNotStart);
}

}  // namespace

// The program with its window, started by kavtra (or by itself).
int main(int argc, char** argv) {
    // Without a window from the window's executable: on Windows it is the
    // one that opens no console either, which a start at logon wants.
    if (kavtra::parseCommandLine(kavtra::programArguments(argc, argv)).action == kavtra::CommandLine::Action::NoWindow)
        return kavtra::runWithoutWindow(argc, argv);
    kavtra::endWithoutDisplay();
    QApplication app(argc, argv);
    const std::string executableDir = QCoreApplication::applicationDirPath().toStdString();
    kavtra::CopyStart start = kavtra::claimOrHandOver(kavtra::socketPlaceFor(executableDir), true);
    if (!start.server) return start.exitStatus;

    // The program speaks Russian, its message-box buttons included.
    QTranslator qtTexts;
    if (qtTexts.load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTexts);

    kavtra::Program program(
        executableDir, [&start](const kavtra::PortFailure& failure) { endForPortWithMessage(failure, start.server); });
    const kavtra::ProgramTransports transports(program, std::move(start.server),
                                               [&program](kavtra::ProgramWeb& web, kavtra::ProgramMqtt& mqtt) {
                                                   return std::make_unique<kavtra::ProgramWindow>(program, web, mqtt);
                                               });
    return QApplication::exec();
}
