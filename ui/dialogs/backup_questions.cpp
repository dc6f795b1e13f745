#include "ui/dialogs/backup_questions.h"

#include <QDate>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>

#include <vector>

#include "backup/backup.h"

namespace kavtra {
namespace {

const QString kTitle = QStringLiteral("Копия настроек");
const QString kFilter = QStringLiteral("Копия настроек Kavtra (*.zip);;Все файлы (*)");

QString listed(const std::vector<std::string>& items, const QString& separator) {
    QStringList texts;
    for (const std::string& item : items) texts.append(QString::fromStdString(item));
    return texts.join(separator);
}

QString reasons(const std::vector<std::string>& problems) {
    return QStringLiteral("• ") + listed(problems, QStringLiteral("\n• "));
}

}  // namespace

void saveBackupFromWindow(const std::string& filesDir, QWidget* parent) {
    const QString suggested =
        QDir::home().filePath(QStringLiteral("kavtra-%1.zip").arg(QDate::currentDate().toString(Qt::ISODate)));
    const QString chosen =
        QFileDialog::getSaveFileName(parent, QStringLiteral("Сохранить копию настроек"), suggested, kFilter);
    if (chosen.isEmpty()) return;
    QMessageBox ask(QMessageBox::Question, kTitle,
                    QStringLiteral("Положить в копию и секреты: хеши токенов веб-доступа и пароль MQTT?\n\n"
                                   "Без них копия не открывает доступа к программе; восстановленная, она "
                                   "оставляет секреты той папки, в которую её принесли."),
                    QMessageBox::Yes | QMessageBox::No, parent);
    ask.setDefaultButton(QMessageBox::No);
    const bool secrets = ask.exec() == QMessageBox::Yes;
    const BackupOutcome outcome = exportBackup(filesDir, chosen.toStdString(), secrets);
    if (!outcome.problems.empty()) {
        QMessageBox::warning(parent, kTitle, QStringLiteral("Копия не записана:\n") + reasons(outcome.problems));
        return;
    }
    QMessageBox::information(parent, kTitle,
                             QStringLiteral("В %1 записаны %2 %3.")
                                 .arg(QDir::toNativeSeparators(chosen), listed(outcome.files, QStringLiteral(", ")),
                                      secrets ? QStringLiteral("с секретами") : QStringLiteral("без секретов")));
}

std::optional<std::string> chooseBackupToRestore(const std::string& filesDir, QWidget* parent) {
    const QString chosen =
        QFileDialog::getOpenFileName(parent, QStringLiteral("Восстановить из копии"), QDir::homePath(), kFilter);
    if (chosen.isEmpty()) return std::nullopt;
    const std::string archive = chosen.toStdString();
    const BackupOutcome checked = checkBackup(archive, filesDir);
    if (!checked.problems.empty()) {
        QMessageBox::warning(parent, kTitle,
                             QStringLiteral("Из этой копии ничего не восстановлено:\n") + reasons(checked.problems));
        return std::nullopt;
    }
    QMessageBox ask(QMessageBox::Question, kTitle,
                    QStringLiteral("Копия в порядке. Из неё будут заменены %1 в папке %2.\n\n"
                                   "Для этого программа выйдет, как при закрытии окна (выводы — как указано в "
                                   "«Настройках» для выключения), заменит файлы и запустится снова.")
                        .arg(listed(checked.files, QStringLiteral(", ")),
                             QDir::toNativeSeparators(QString::fromStdString(filesDir))),
                    QMessageBox::NoButton, parent);
    QPushButton* restore = ask.addButton(QStringLiteral("Восстановить и перезапустить"), QMessageBox::AcceptRole);
    QPushButton* cancel = ask.addButton(QStringLiteral("Отмена"), QMessageBox::RejectRole);
    ask.setDefaultButton(cancel);
    ask.exec();
    if (ask.clickedButton() != restore) return std::nullopt;
    return archive;
}

}  // namespace kavtra
