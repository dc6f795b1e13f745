#include "ui/dialogs/phone_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "rules/rule_book.h"
#include "ui/dialogs/qr_image.h"
#include "web/token_file.h"

namespace kavtra {
namespace {

QString roleText(AccessToken::Role role) {
    return role == AccessToken::Role::Switch ? QStringLiteral("переключает") : QStringLiteral("только смотрит");
}

// A token's scope as the list shows it.
QString scopeText(const AccessToken& token) {
    if (token.scope.empty()) return QStringLiteral("все выводы");
    const QString written = QString::fromStdString(token.scope);
    return token.scopeProblem.empty() ? written : QStringLiteral("%1 — ошибка, ни одного вывода").arg(written);
}

// Large enough for a phone's camera a metre from the screen.
constexpr int kModulePixels = 5;

}  // namespace

PhoneDialog::PhoneDialog(RuleBook& rules, AskReach askReach, Confirm confirm, QWidget* parent)
    : QDialog(parent),
      tokens(new QTreeWidget(this)),
      name(new QLineEdit(this)),
      role(new QComboBox(this)),
      scope(new QLineEdit(this)),
      makeButton(new QPushButton(QStringLiteral("Создать и показать код"), this)),
      removeButton(new QPushButton(QStringLiteral("Удалить токен…"), this)),
      problem(new QLabel(this)),
      site(new QComboBox(this)),
      code(new QLabel(this)),
      link(new QLineEdit(this)),
      where_(new QLabel(this)),
      once_(new QLabel(this)),
      rules_(rules),
      askReach_(std::move(askReach)),
      confirm_(std::move(confirm)) {
    setWindowTitle(QStringLiteral("Телефон"));
    where_->setObjectName(QStringLiteral("phoneWhere"));
    where_->setWordWrap(true);

    tokens->setObjectName(QStringLiteral("phoneTokens"));
    tokens->setHeaderLabels({QStringLiteral("Токен"), QStringLiteral("Права"), QStringLiteral("Доступно")});
    tokens->setRootIsDecorated(false);
    tokens->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    tokens->setMinimumHeight(110);
    name->setObjectName(QStringLiteral("phoneName"));
    name->setPlaceholderText(QStringLiteral("Имя, например Телефон Ани"));
    role->setObjectName(QStringLiteral("phoneRole"));
    role->addItem(roleText(AccessToken::Role::Switch), static_cast<int>(AccessToken::Role::Switch));
    role->addItem(roleText(AccessToken::Role::Read), static_cast<int>(AccessToken::Role::Read));
    scope->setObjectName(QStringLiteral("phoneScope"));
    scope->setPlaceholderText(QStringLiteral("все выводы; или, например: 1-20; @Двор; scene Вечер"));
    scope->setToolTip(
        QStringLiteral("Выводы, группы и сцены, которые токен видит и переключает, через «;». Пусто — все выводы."));
    makeButton->setObjectName(QStringLiteral("phoneMake"));
    // Enter in the name makes the token, once.
    makeButton->setDefault(true);
    removeButton->setObjectName(QStringLiteral("phoneRemove"));
    problem->setObjectName(QStringLiteral("phoneProblem"));
    problem->setWordWrap(true);
    problem->setStyleSheet(QStringLiteral("color: #c00000"));
    problem->hide();
    site->setObjectName(QStringLiteral("phoneSite"));
    code->setObjectName(QStringLiteral("phoneCode"));
    code->setAlignment(Qt::AlignCenter);
    code->hide();
    link->setObjectName(QStringLiteral("phoneLink"));
    link->setReadOnly(true);
    link->hide();
    once_->setWordWrap(true);
    once_->hide();

    auto* makeRow = new QHBoxLayout;
    makeRow->addWidget(name, 1);
    makeRow->addWidget(role);
    makeRow->addWidget(makeButton);
    auto* scopeRow = new QHBoxLayout;
    auto* scopeLabel = new QLabel(QStringLiteral("Доступно:"), this);
    scopeLabel->setBuddy(scope);
    scopeRow->addWidget(scopeLabel);
    scopeRow->addWidget(scope, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("Закрыть"));
    auto* column = new QVBoxLayout(this);
    column->addWidget(where_);
    column->addWidget(tokens, 1);
    column->addWidget(removeButton, 0, Qt::AlignLeft);
    column->addLayout(makeRow);
    column->addLayout(scopeRow);
    column->addWidget(problem);
    column->addWidget(site);
    column->addWidget(code);
    column->addWidget(link);
    column->addWidget(once_);
    column->addWidget(buttons);
    setMinimumWidth(480);

    connect(makeButton, &QPushButton::clicked, this, &PhoneDialog::make);
    connect(removeButton, &QPushButton::clicked, this, &PhoneDialog::removeSelected);
    connect(site, &QComboBox::currentIndexChanged, this, &PhoneDialog::showSecret);
    connect(tokens, &QTreeWidget::itemSelectionChanged, this,
            [this] { removeButton->setEnabled(!tokens->selectedItems().isEmpty()); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    fillTokens();
    showReach();
    name->setFocus();
}

void PhoneDialog::showReach() {
    const Reach reach = askReach_();
    where_->setText(reach.sites.isEmpty()
                        ? QStringLiteral("Телефон страницу не откроет: %1.").arg(reach.why)
                        : QStringLiteral("Телефон откроет страницу по адресу %1. Каждому телефону — свой токен: "
                                         "его можно удалить, не трогая другие.")
                              .arg(reach.sites.first()));
    const QSignalBlocker quiet(site);
    site->clear();
    site->addItems(reach.sites);
    site->setVisible(reach.sites.size() > 1);
}

void PhoneDialog::fillTokens() {
    tokens->clear();
    for (const AccessToken& token : rules_.rules().tokens) {
        auto* item =
            new QTreeWidgetItem(tokens, {QString::fromStdString(token.name), roleText(token.role), scopeText(token)});
        if (!token.scopeProblem.empty()) item->setToolTip(2, QString::fromStdString(token.scopeProblem));
    }
    removeButton->setEnabled(false);
}

void PhoneDialog::tell(const QString& why) {
    problem->setText(why);
    problem->setVisible(!why.isEmpty());
    // Grown by what appeared, or the lines below it are cut off.
    adjustSize();
}

void PhoneDialog::make() {
    const auto chosen = static_cast<AccessToken::Role>(role->currentData().toInt());
    const web::NewToken made =
        web::addToken(rules_.path(), name->text().trimmed().toStdString(), chosen, scope->text().toStdString());
    rules_.reload();
    fillTokens();
    if (!made.error.empty()) {
        tell(QString::fromStdString(made.error).replace(QStringLiteral("; сначала --remove-token"), QString()));
        name->setFocus();
        return;
    }
    name->clear();
    scope->clear();
    secret_ = QString::fromStdString(made.secret);
    showReach();
    showSecret();
}

void PhoneDialog::showSecret() {
    if (secret_.isEmpty()) return;
    link->show();
    once_->show();
    if (site->count() == 0) {
        link->setText(secret_);
        once_->setText(
            QStringLiteral("Токен показан один раз: скопируйте его сейчас. В Rules.ini записан только "
                           "его хеш."));
    } else {
        const QString address = site->currentText() + QStringLiteral("/#token=") + secret_;
        code->setPixmap(QPixmap::fromImage(qrImage(address, kModulePixels)));
        code->show();
        link->setText(address);
        link->setCursorPosition(0);
        once_->setText(
            QStringLiteral("Наведите на код камеру телефона. Код показан один раз: после закрытия окна "
                           "его не узнать, в Rules.ini записан только хеш токена."));
    }
    tell({});
}

void PhoneDialog::removeSelected() {
    const QList<QTreeWidgetItem*> selected = tokens->selectedItems();
    if (selected.isEmpty()) return;
    const QString chosen = selected.first()->text(0);
    if (!confirm_(this, QStringLiteral("Телефон"),
                  QStringLiteral("Удалить токен «%1» из Rules.ini? Кто входит с ним, потеряет доступ.").arg(chosen)))
        return;
    const std::string why = web::removeToken(rules_.path(), chosen.toStdString());
    rules_.reload();
    fillTokens();
    tell(QString::fromStdString(why));
}

}  // namespace kavtra
