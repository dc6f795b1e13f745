#include "app/program_window.h"

#include <QCoreApplication>
#include <QInputDialog>
#include <QLockFile>
#include <QMessageBox>
#include <QProcess>

#include "app/console.h"
#include "app/session_end.h"
#include "backup/backup.h"
#include "control/socket_place.h"
#include "ui/dialogs/about_frm.h"
#include "ui/dialogs/backup_questions.h"
#include "ui/dialogs/journal_dialog.h"
#include "ui/dialogs/mqtt_dialog.h"
#include "ui/dialogs/option_frm.h"
#include "ui/dialogs/phone_dialog.h"
#include "ui/dialogs/web_dialog.h"

namespace kavtra {
namespace {

bool askExit(QWidget* parent) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Выход"), QStringLiteral("Вы уверенны что хотите выйти ?"),
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

// What the menus "Группы" and "Сцены" ask. A removal or a replacement is
// answered "Нет" by Enter.
MenuQuestions menuQuestions() {
    MenuQuestions questions;
    questions.askName = [](QWidget* parent, const QString& title, const QString& prompt,
                           const QString& text) -> std::optional<QString> {
        bool ok = false;
        QString typed = QInputDialog::getText(parent, title, prompt, QLineEdit::Normal, text, &ok);
        if (!ok) return std::nullopt;
        return typed;
    };
    questions.confirm = [](QWidget* parent, const QString& title, const QString& text) {
        return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) ==
               QMessageBox::Yes;
    };
    questions.tell = [](QWidget* parent, const QString& title, const QString& text) {
        QMessageBox::warning(parent, title, text);
    };
    return questions;
}

// After the exit sequence the files are the program's no more: the archive
// replaces them, and a new copy starts on them. `lock` is the single-copy
// check's, taken here and held to the end of this process, so that the new
// copy claims the command socket once this one is gone, rather than handing
// its start over to it.
void restoreAndStartAgain(const std::string& archive, const std::string& filesDir, QLockFile& lock) {
    constexpr int kLockWaitMs = 5000;
    lock.tryLock(kLockWaitMs);
    const BackupOutcome outcome = importBackup(archive, filesDir);
    for (const std::string& problem : outcome.problems) printLine(stderr, "kavtra: " + problem);
    if (outcome.problems.empty()) {
        std::string files;
        for (const std::string& file : outcome.files) files += (files.empty() ? "" : ", ") + file;
        printLine(stderr, "kavtra: из " + archive + " заменены " + files + " в " + filesDir);
    } else {
        QStringList problems;
        for (const std::string& problem : outcome.problems) problems.append(QString::fromStdString(problem));
        QMessageBox::critical(nullptr, QStringLiteral("Копия настроек"),
                              QStringLiteral("Копия не восстановлена:\n") + problems.join(QLatin1Char('\n')));
    }
    QProcess::startDetached(QCoreApplication::applicationFilePath(), QCoreApplication::arguments().mid(1));
}

QStringList sceneNames(const RuleBook& rules) {
    QStringList names;
    for (const Scene& scene : rules.rules().scenes) names.append(QString::fromStdString(scene.name));
    return names;
}

}  // namespace

ProgramWindow::ProgramWindow(Program& program, ProgramWeb& web, ProgramMqtt& mqtt) {
    MyFrmPlatform platform;
    platform.confirmExit = askExit;
    // The menu shows each dialog anew, modal and without an owner.
    platform.showOptions = [&settings = program.plant.settings, &rules = program.plant.rules](QWidget*) {
        OptionFrm dialog(settings, sceneNames(rules));
        dialog.exec();
    };
    platform.showWeb = [&web, &settings = program.plant.settings](QWidget* parent) {
        WebDialog dialog(settings, web.status(), web.sites(), parent);
        if (dialog.exec() == QDialog::Accepted) web.followConfig();
    };
    // The page shows the outputs Home Assistant is told of; without MQTT in
    // the build the menu's entry stays disabled.
    if (ProgramMqtt::built())
        platform.showMqtt = [&mqtt, &web, &config = program.plant.config](QWidget* parent) {
            MqttDialog dialog(config, mqtt.status(), parent);
            if (dialog.exec() != QDialog::Accepted) return;
            mqtt.followConfig();
            web.followConfig();
        };
    platform.showAbout = [dir = program.executableDir](QWidget*) {
        AboutFrm dialog(dir);
        dialog.exec();
    };
    // One journal, over the main window, kept while the program runs.
    platform.showJournal = [this, &program](QWidget* parent) {
        if (!journal_)
            journal_ = std::make_unique<JournalDialog>(program.plant.changeLog.path(), program.plant.engine, parent);
        journal_->show();
        journal_->raise();
        journal_->activateWindow();
    };
    platform.saveBackup = [dir = program.filesDir](QWidget* parent) { saveBackupFromWindow(dir, parent); };
    platform.restoreBackup = [this, &program](QWidget* parent) {
        const std::optional<std::string> archive = chooseBackupToRestore(program.filesDir, parent);
        if (!archive) return;
        restartLock_ =
            std::make_unique<QLockFile>(QString::fromStdString(socketPlaceFor(program.executableDir).lockFile));
        program.atEnd([archive = *archive, dir = program.filesDir, &lock = *restartLock_] {
            restoreAndStartAgain(archive, dir, lock);
        });
        // Asked already: the exit sequence at once, as a confirmed close.
        program.runner.exitSequence();
    };
    platform.questions = menuQuestions();
    platform.showPhone = [&web, &rules = program.plant.rules, confirm = platform.questions.confirm](QWidget* parent) {
        const auto reach = [&web] {
            // A server for the network refused for want of a token starts once there is one.
            web.followConfig();
            return PhoneDialog::Reach{web.phoneSites(), web.phoneProblem()};
        };
        PhoneDialog dialog(rules, reach, confirm, parent);
        dialog.exec();
    };
    // One editor of the schedules too, kept like the journal.
    platform.showSchedules = [this, &program, confirm = platform.questions.confirm](QWidget* parent) {
        if (!schedules_) schedules_ = std::make_unique<ScheduleDialog>(program.plant.rules, confirm, parent);
        schedules_->show();
        schedules_->raise();
        schedules_->activateWindow();
    };
    platform.showRules = [this, &program](QWidget* parent) {
        if (!rulesDialog_) rulesDialog_ = std::make_unique<RuleDialog>(program.plant.rules, parent);
        rulesDialog_->show();
        rulesDialog_->raise();
        rulesDialog_->activateWindow();
    };
    frm_ = std::make_unique<MyFrm>(program.runner, program.plant.settings, program.plant.core, program.plant.inputs,
                                   program.plant.rules, platform);
    frm_->setPortName(QString::fromStdString(program.port->name()), program.board != nullptr,
                      program.unopenedPort ? QString::fromStdString(program.unopenedPort->device) : QString());
    frm_->setFilesDirectory(QString::fromStdString(program.filesDir), program.filesDir != program.executableDir);
    frm_->Form_Load();
    frm_->show();
    // The engine runs on this thread, so the window may read its inversion.
    if (program.board)
        bench_ = std::make_unique<BenchWindow>(*program.board, *program.port->simulated(),
                                               [&engine = program.plant.engine] { return engine.inverted(); });
    showBench();
    // A closed bench window comes back with a double click on the port.
    QObject::connect(frm_.get(), &MyFrm::portDoubleClicked, frm_.get(), [this] { showBench(); });
    // Said before the window was there, if at all: it stands in the status
    // bar from now on until mended.
    frm_->setSettingFault(QString::fromStdString(program.plant.inversionFault()));
    program.plant.onInversionFault(
        [frm = frm_.get()](const std::string& fault) { frm->setSettingFault(QString::fromStdString(fault)); });
    frm_->setWebState(web.status());
    QObject::connect(&web, &ProgramWeb::statusChanged, frm_.get(), &MyFrm::setWebState);
    frm_->setNetworkState(mqtt.status());
    QObject::connect(&mqtt, &ProgramMqtt::statusChanged, frm_.get(),
                     [frm = frm_.get()](const QString& text, bool) { frm->setNetworkState(text); });

    exitWithSession(program.runner, frm_.get());
}

ProgramWindow::~ProgramWindow() = default;

void ProgramWindow::showWindow() {
    frm_->showNormal();
    frm_->raise();
    frm_->activateWindow();
}

void ProgramWindow::showBench() {
    // Without a port, the board the program drives is shown beside it.
    if (bench_) bench_->showBeside(*frm_);
}

}  // namespace kavtra
