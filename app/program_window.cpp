#include "app/program_window.h"

#include <QInputDialog>
#include <QMessageBox>

#include "app/session_end.h"
#include "ui/dialogs/about_frm.h"
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
