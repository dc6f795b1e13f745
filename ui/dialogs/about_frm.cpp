#include "ui/dialogs/about_frm.h"

#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>

#include "ui/dialogs/dialog_look.h"
#include "ui/dialogs/link_label.h"
#include "ui/dialogs/page_opener.h"

namespace kavtra {
namespace {

// The project's own pages, installed in this folder beside the program.
const QString kPagesFolder = QStringLiteral("/docs/");
// The pages stand in for a web site; this is the name the site's texts use.
const QString kSiteName = QStringLiteral("Kavtra");

// Plain labels keep the pointer's moves to themselves, so that passing over
// them does not count as the dialog's bare surface.
QLabel* addText(QDialog& dialog, const char* name, const QString& text, const QFont& font, const QRect& twips) {
    auto* label = new QLabel(text, &dialog);
    label->setObjectName(QLatin1String(name));
    label->setFont(font);
    label->setAttribute(Qt::WA_NoMousePropagation);
    placeTwips(*label, twips);
    return label;
}

void showFailureMessage(QWidget* owner, const QString& text) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("О программе"), text, QMessageBox::Ok, owner);
    box.exec();
}

// Which page, where it lies, and what the user can do about it.
QString failureText(const QUrl& address) {
    return QStringLiteral(
               "Не удалось открыть страницу «%1»:\n%2\n\n"
               "Браузер не найден или не запускается (например, от имени root). "
               "Откройте этот файл в браузере сами или установите браузер по умолчанию.")
        .arg(address.fileName(), address.toLocalFile());
}

}  // namespace

AboutFrm::AboutFrm(std::string executableDir, QWidget* parent)
    : QDialog(parent),
      executableDir_(std::move(executableDir)),
      opener_(openPage),
      failureMessage_(showFailureMessage) {
    makeFixedToolWindow(*this, QStringLiteral("О программе"), 5670, 2160);
    setMouseTracking(true);
    const QFont font = verdanaFont(true);
    const QString profileTip = QStringLiteral("Просмотр профиля на ") + kSiteName;

    addText(*this, "Label1", QStringLiteral("Программа для управления нагрузками."), font, {780, 120, 4065, 195});
    addText(*this, "Label2", QStringLiteral("Проект создавался специально для"), font, {600, 540, 3645, 195});
    Label5 = addLink("Label5", QStringLiteral("вас"), profileTip, QStringLiteral("users.html"), {4260, 540, 705, 195});
    addText(*this, "Label7", QStringLiteral("и пренадлежит исключительно сайту"), font, {180, 780, 3735, 195});
    Label8 = addLink("Label8", kSiteName, QStringLiteral("Перейти на сайт"), QStringLiteral("index.html"),
                     {3960, 780, 1605, 195});
    addText(*this, "Label10", QStringLiteral("Описание и схему устройства можно посмотреть"), font,
            {120, 1020, 4875, 195});
    Label11 = addLink("Label11", QStringLiteral("ТУТ"), QStringLiteral("Описание и схема устройства"),
                      QStringLiteral("device.html"), {5040, 1020, 405, 195});
    addText(*this, "Label3", QStringLiteral("Автор проекта :"), font, {600, 1440, 1605, 195});
    addText(*this, "Label9", QStringLiteral("команда Kavtra  ( "), font, {2265, 1440, 2325, 195});
    Label4 =
        addLink("Label4", QStringLiteral("KT"), profileTip, QStringLiteral("authors.html"), {4560, 1440, 375, 195});
    addText(*this, "Label6", QStringLiteral(")"), font, {4980, 1440, 105, 195});

    Command1 = new QPushButton(QStringLiteral("Ок"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setAutoDefault(false);
    Command1->setAttribute(Qt::WA_NoMousePropagation);
    placeTwips(*Command1, {2280, 1800, 975, 255});
    connect(Command1, &QPushButton::clicked, this, &QDialog::accept);
    Command1->setFocus();

    setLinksNormal();
}

void AboutFrm::setOpener(Opener opener) { opener_ = std::move(opener); }

void AboutFrm::setFailureMessage(FailureMessage message) { failureMessage_ = std::move(message); }

void AboutFrm::open(const QUrl& address) {
    // The answer may come once the dialog has gone: then the message has no
    // owner.
    opener_(address, [dialog = QPointer<AboutFrm>(this), message = failureMessage_, address] {
        message(dialog, failureText(address));
    });
}

LinkLabel* AboutFrm::addLink(const char* name, const QString& text, const QString& toolTip, const QString& page,
                             const QRect& twips) {
    auto* link = new LinkLabel(text, verdanaFont(true), this);
    link->setObjectName(QLatin1String(name));
    link->setToolTip(toolTip);
    placeTwips(*link, twips);
    const QUrl address = QUrl::fromLocalFile(QString::fromStdString(executableDir_) + kPagesFolder + page);
    connect(link, &LinkLabel::clicked, this, [this, address] { open(address); });
    return link;
}

void AboutFrm::setLinksNormal() {
    for (LinkLabel* link : {Label5, Label4, Label8, Label11}) link->setTextColour(LinkLabel::kNormalColour);
}

void AboutFrm::keyPressEvent(QKeyEvent* event) { QWidget::keyPressEvent(event); }

void AboutFrm::mouseMoveEvent(QMouseEvent* event) {
    setLinksNormal();
    event->accept();
}

}  // namespace kavtra
