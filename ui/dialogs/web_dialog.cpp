#include "ui/dialogs/web_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/dialogs/dialog_look.h"
#include "web/access.h"

namespace kavtra {

WebDialog::WebDialog(Settings& settings, const QString& state, const QStringList& sites, QWidget* parent)
    : QDialog(parent), listen(new QLineEdit(this)), problem(new QLabel(this)), settings_(settings) {
    setWindowTitle(QStringLiteral("Веб-доступ"));
    listen->setObjectName(QStringLiteral("webListen"));
    listen->setPlaceholderText(QStringLiteral("выключен; например 127.0.0.1:8080 или 0.0.0.0:8080"));
    listen->setText(QString::fromStdString(settings.webListen()));
    problem->setObjectName(QStringLiteral("webProblem"));
    problem->setWordWrap(true);
    problem->setStyleSheet(QStringLiteral("color: #c00000"));
    problem->hide();

    auto* hint = new QLabel(
        QStringLiteral("Страница для телефона и HTTP API. На 127.0.0.1 они открыты только на этом компьютере. "
                       "Чтобы открыть их в сети (0.0.0.0:8080 или имя компьютера с портом, например "
                       "pc.local:8080), сначала создайте токен в «Сеть → Телефон…». Для HTTPS укажите "
                       "Certificate и Key в разделе [Web] файла config.ini."),
        this);
    hint->setWordWrap(true);
    QString now = state.isEmpty() ? QStringLiteral("Сейчас выключен.") : state;
    if (sites.size() > 1)
        now += QStringLiteral("\nОткрывается и по адресам: ") + sites.mid(1).join(QStringLiteral(", "));
    auto* shown = new QLabel(now, this);
    shown->setWordWrap(true);
    shown->setObjectName(QStringLiteral("webState"));
    shown->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Адрес и порт:"), listen);
    QDialogButtonBox* buttons = okCancelButtons(*this, [this] { okClicked(); });
    auto* column = new QVBoxLayout(this);
    column->addLayout(form);
    column->addWidget(problem);
    column->addWidget(shown);
    column->addWidget(hint);
    column->addWidget(buttons);
    setMinimumWidth(460);
}

void WebDialog::okClicked() {
    const std::string address = listen->text().trimmed().toStdString();
    if (!address.empty() && !web::parseListen(address)) {
        problem->setText(
            QStringLiteral("Нужен порт, или адрес или имя компьютера и порт, например 8080, 127.0.0.1:8080, "
                           "0.0.0.0:8080 или pc.local:8080."));
        problem->show();
        // Grown by the red line, or the hints below it are cut off.
        adjustSize();
        listen->setFocus();
        return;
    }
    if (address != settings_.webListen()) settings_.writeWebListen(address);
    accept();
}

}  // namespace kavtra
