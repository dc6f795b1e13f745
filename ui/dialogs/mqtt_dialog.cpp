#include "ui/dialogs/mqtt_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <array>

#include "commands/output_choice.h"
#include "mqtt/mqtt_settings.h"
#include "persist/ini/ini_lines.h"
#include "persist/profile/profile.h"
#include "ui/dialogs/dialog_look.h"

namespace kavtra {
namespace {

// The keys the dialog edits, in the order of typed().
constexpr std::array<const MqttKey*, 9> kKeys{&kMqttHost, &kMqttPort,   &kMqttUser,      &kMqttPassword, &kMqttNode,
                                              &kMqttTls,  &kMqttCaFile, &kMqttDiscovery, &kMqttOutputs};
enum Key { Host, Port, User, Password, Node, Tls, CaFile, Discovery, Outputs };

QString text(const std::string& s) { return QString::fromStdString(s); }
std::string text(const QLineEdit* edit) { return edit->text().trimmed().toStdString(); }

// Whether a key's new text means what the file says: a list of outputs
// written in other words ("1-5, 7" and "1-5,7") is no change.
bool same(Key key, const std::string& opened, const std::string& now) {
    if (opened == now) return true;
    if (key != Outputs) return false;
    const Parsed<OutputChoice> was = parseOutputChoice(opened);
    return was && *was.value == *parseOutputChoice(now).value;
}

}  // namespace

MqttDialog::MqttDialog(const clsINI& config, const QString& state, QWidget* parent)
    : QDialog(parent),
      host(new QLineEdit(this)),
      port(new QLineEdit(this)),
      user(new QLineEdit(this)),
      password(new QLineEdit(this)),
      node(new QLineEdit(this)),
      tls(new QCheckBox(QStringLiteral("Шифровать связь (TLS)"), this)),
      caFile(new QLineEdit(this)),
      discovery(new QCheckBox(QStringLiteral("Сообщать Home Assistant о выключателях (discovery)"), this)),
      allOutputs(new QRadioButton(QStringLiteral("все 300"), this)),
      namedOutputs(new QRadioButton(QStringLiteral("только выводы с именами"), this)),
      listedOutputs(new QRadioButton(QStringLiteral("выбранные:"), this)),
      outputList(new QLineEdit(this)),
      problem(new QLabel(this)),
      config_(config) {
    setWindowTitle(QStringLiteral("MQTT"));
    for (const MqttKey* key : kKeys)
        opened_.emplace_back(ini::trimBlanks(config.GetPrivateINIString(kMqttSection, key->name, key->byDefault)));
    host->setObjectName(QStringLiteral("mqttHost"));
    host->setPlaceholderText(QStringLiteral("выключен; например 192.168.1.10"));
    host->setText(text(opened_[Host]));
    port->setText(text(opened_[Port]));
    user->setText(text(opened_[User]));
    password->setEchoMode(QLineEdit::Password);
    password->setText(text(opened_[Password]));
    node->setPlaceholderText(QStringLiteral("по имени компьютера"));
    node->setText(text(opened_[Node]));
    // Anything but the switch's "off" reads as the default; "Ok" then
    // writes the word the file should have had.
    tls->setChecked(opened_[Tls] == "1");
    caFile->setPlaceholderText(QStringLiteral("системные сертификаты"));
    caFile->setText(text(opened_[CaFile]));
    discovery->setChecked(opened_[Discovery] != "0");
    const Parsed<OutputChoice> choice = parseOutputChoice(opened_[Outputs]);
    const OutputChoice::Kind kind = choice ? choice.value->kind : OutputChoice::Kind::Listed;
    allOutputs->setChecked(kind == OutputChoice::Kind::All);
    namedOutputs->setChecked(kind == OutputChoice::Kind::Named);
    listedOutputs->setChecked(kind == OutputChoice::Kind::Listed);
    outputList->setPlaceholderText(QStringLiteral("например 1-40,45"));
    if (kind == OutputChoice::Kind::Listed) outputList->setText(text(opened_[Outputs]));
    problem->setObjectName(QStringLiteral("mqttProblem"));
    problem->setWordWrap(true);
    problem->setStyleSheet(QStringLiteral("color: #c00000"));
    problem->hide();
    auto* shown = new QLabel(state.isEmpty() ? QStringLiteral("Сейчас выключен.") : state, this);
    shown->setObjectName(QStringLiteral("mqttState"));
    shown->setWordWrap(true);
    shown->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* browse = new QPushButton(QStringLiteral("Обзор…"), this);
    auto* caRow = new QHBoxLayout;
    caRow->addWidget(caFile);
    caRow->addWidget(browse);
    auto* listRow = new QHBoxLayout;
    listRow->addWidget(listedOutputs);
    listRow->addWidget(outputList);
    auto* outputs = new QVBoxLayout;
    outputs->addWidget(allOutputs);
    outputs->addWidget(namedOutputs);
    outputs->addLayout(listRow);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Брокер:"), host);
    form->addRow(QStringLiteral("Порт:"), port);
    form->addRow(QStringLiteral("Пользователь:"), user);
    form->addRow(QStringLiteral("Пароль:"), password);
    form->addRow(QStringLiteral("Имя узла:"), node);
    form->addRow(QString(), tls);
    form->addRow(QStringLiteral("Файл CA:"), caRow);
    form->addRow(QString(), discovery);
    form->addRow(QStringLiteral("Выводы для Home Assistant и страницы:"), outputs);
    QDialogButtonBox* buttons = okCancelButtons(*this, [this] { okClicked(); });
    auto* column = new QVBoxLayout(this);
    column->addLayout(form);
    column->addWidget(problem);
    column->addWidget(shown);
    column->addWidget(buttons);
    setMinimumWidth(520);

    const auto follow = [this] {
        caFile->setEnabled(tls->isChecked());
        outputList->setEnabled(listedOutputs->isChecked());
    };
    follow();
    connect(tls, &QCheckBox::toggled, this, follow);
    connect(listedOutputs, &QRadioButton::toggled, this, follow);
    connect(browse, &QPushButton::clicked, this, &MqttDialog::browseCaFile);
}

std::vector<std::string> MqttDialog::typed() const {
    std::vector<std::string> now(kKeys.size());
    now[Host] = text(host);
    now[Port] = text(port);
    now[User] = text(user);
    now[Password] = password->text().toStdString();
    now[Node] = text(node);
    now[Tls] = tls->isChecked() ? "1" : "0";
    now[CaFile] = text(caFile);
    now[Discovery] = discovery->isChecked() ? "1" : "0";
    const Parsed<OutputChoice> listed = parseOutputChoice(text(outputList));
    now[Outputs] = allOutputs->isChecked()     ? "all"
                   : namedOutputs->isChecked() ? "named"
                   : listed                    ? listed.value->text()
                                               : text(outputList);
    return now;
}

void MqttDialog::refuse(const QString& why, QWidget* field) {
    problem->setText(why);
    problem->show();
    // Grown by the red line, or the lines below it are cut off.
    adjustSize();
    field->setFocus();
}

void MqttDialog::okClicked() {
    const std::vector<std::string> now = typed();
    const std::optional<long long> portNumber = digitsValue(now[Port]);
    if (!portNumber || *portNumber < 1 || *portNumber > 65535)
        return refuse(QStringLiteral("Порт — число от 1 до 65535, обычно 1883, с TLS 8883."), port);
    if (listedOutputs->isChecked()) {
        if (outputList->text().trimmed().isEmpty())
            return refuse(QStringLiteral("Укажите выводы, например 1-40,45."), outputList);
        const Parsed<OutputChoice> choice = parseOutputChoice(now[Outputs]);
        if (!choice) return refuse(QStringLiteral("Выводы: ") + text(choice.error), outputList);
    }
    if (tls->isChecked() && !now[CaFile].empty() && !QFileInfo(text(now[CaFile])).isFile())
        return refuse(QStringLiteral("Нет файла ") + text(kavtra::quoted(now[CaFile])) + QStringLiteral("."), caFile);
    const std::string failure = saveFailure(config_.FileName(), [&] {
        for (std::size_t i = 0; i < kKeys.size(); ++i)
            if (!same(static_cast<Key>(i), opened_[i], now[i]))
                config_.WritePrivateINIString(kMqttSection, kKeys[i]->name, now[i]);
    });
    if (!failure.empty()) return refuse(QStringLiteral("config.ini не сохранён: ") + text(failure), host);
    accept();
}

void MqttDialog::browseCaFile() {
    const QString chosen = QFileDialog::getOpenFileName(this, QStringLiteral("Сертификат центра (CA)"), caFile->text(),
                                                        QStringLiteral("Сертификаты (*.pem *.crt);;Все файлы (*)"));
    if (!chosen.isEmpty()) caFile->setText(chosen);
}

}  // namespace kavtra
