#include <QApplication>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPushButton>
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

// A port that cannot be opened is told once, on standard error and in a
// message that offers the modelled board for this run instead of the end.
// Ended, the program has written neither file and takes the command socket
// with it. A failure that arrives later, on a port that did open, ends at
// once (after its message, unless one has been shown).
bool told = false;

void tell(const kavtra::PortFailure& failure) {
    told = true;
    kavtra::printLine(stderr, "kavtra: " + failure.message);
}

bool offerModelledBoard(const kavtra::PortFailure& failure) {
    tell(failure);
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Кавтра"),
                    QString::fromStdString(failure.message) +
                        QStringLiteral("\n\nМожно продолжить с моделью платы: до конца этого запуска выводы "
                                       "переключаются только в окне программы, нагрузки не включаются."));
    QPushButton* model = box.addButton(QStringLiteral("Продолжить с моделью платы"), QMessageBox::AcceptRole);
    QPushButton* end = box.addButton(QStringLiteral("Выйти"), QMessageBox::RejectRole);
    box.setDefaultButton(end);
    box.setEscapeButton(end);
    box.exec();
    return box.clickedButton() == model;
}

[[noreturn]] void endForPort(const kavtra::PortFailure& failure, std::unique_ptr<QLocalServer>& server) {
    if (!told) {
        tell(failure);
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
        executableDir, [&start](const kavtra::PortFailure& failure) { endForPort(failure, start.server); },
        offerModelledBoard);
    const kavtra::ProgramTransports transports(program, std::move(start.server),
                                               [&program](kavtra::ProgramWeb& web, kavtra::ProgramMqtt& mqtt) {
                                                   return std::make_unique<kavtra::ProgramWindow>(program, web, mqtt);
                                               });
    return QApplication::exec();
}
