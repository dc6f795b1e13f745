#include "ui/main/main_status_bar.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLayout>
#include <QMessageBox>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace kavtra {
namespace {

const QColor kFailureColour(192, 0, 0);

QString failureText(const ProfileReport& report) {
    const QString file = QFileInfo(QString::fromStdString(report.path)).fileName();
    const QString reason = QString::fromStdString(report.reason);
    if (report.what == kNotRead) return QStringLiteral("Не удалось прочитать %1: %2").arg(file, reason);
    return QStringLiteral("Не удалось сохранить %1: %2").arg(file, reason);
}

// The fields side by side, each as wide as its text where the row has room,
// one of them given whatever is left over. A row too narrow for all takes
// from that one down to its least, then from the longest ones alike, so that
// a short field stays whole while any other is longer than it.
class FieldRow : public QLayout {
public:
    FieldRow(int spacing, const QWidget* yielding) : yielding_(yielding) { setSpacing(spacing); }
    ~FieldRow() override {
        while (QLayoutItem* item = takeAt(0)) delete item;
    }

    void addItem(QLayoutItem* item) override { items_.push_back(item); }
    int count() const override { return static_cast<int>(items_.size()); }
    QLayoutItem* itemAt(int index) const override {
        return index >= 0 && index < count() ? items_[static_cast<std::size_t>(index)] : nullptr;
    }
    QLayoutItem* takeAt(int index) override {
        if (index < 0 || index >= count()) return nullptr;
        QLayoutItem* item = items_[static_cast<std::size_t>(index)];
        items_.erase(items_.begin() + index);
        return item;
    }
    QSize sizeHint() const override { return total(&QLayoutItem::sizeHint); }
    QSize minimumSize() const override { return total(&QLayoutItem::minimumSize); }

    void setGeometry(const QRect& rect) override {
        QLayout::setGeometry(rect);
        std::vector<QLayoutItem*> shown;
        for (QLayoutItem* item : items_)
            if (!item->isEmpty()) shown.push_back(item);
        std::vector<int> widths;
        int short_ = -rect.width() + spacing() * (static_cast<int>(shown.size()) - 1);
        std::size_t gives = shown.size();
        for (std::size_t i = 0; i < shown.size(); ++i) {
            widths.push_back(shown[i]->sizeHint().width());
            short_ += widths.back();
            if (shown[i]->widget() == yielding_) gives = i;
        }
        const auto least = [&](std::size_t i) { return shown[i]->minimumSize().width(); };
        if (gives < shown.size()) {
            const int taken = std::min(short_, widths[gives] - least(gives));
            widths[gives] -= taken;
            short_ -= taken;
        }
        // One pixel at a time from the widest that can still give: the row
        // is a handful of fields a few hundred pixels wide.
        while (short_ > 0) {
            std::size_t widest = shown.size();
            for (std::size_t i = 0; i < shown.size(); ++i)
                if (widths[i] > least(i) && (widest == shown.size() || widths[i] > widths[widest])) widest = i;
            if (widest == shown.size()) break;
            --widths[widest];
            --short_;
        }
        int left = rect.left();
        for (std::size_t i = 0; i < shown.size(); ++i) {
            shown[i]->setGeometry(QRect(left, rect.top(), widths[i], rect.height()));
            left += widths[i] + spacing();
        }
    }

private:
    QSize total(QSize (QLayoutItem::*size)() const) const {
        QSize sum(0, 0);
        int shown = 0;
        for (QLayoutItem* item : items_) {
            if (item->isEmpty()) continue;
            const QSize one = (item->*size)();
            sum = QSize(sum.width() + one.width(), std::max(sum.height(), one.height()));
            ++shown;
        }
        sum.rwidth() += spacing() * std::max(0, shown - 1);
        return sum;
    }

    const QWidget* yielding_;
    std::vector<QLayoutItem*> items_;
};

}  // namespace

MainStatusBar::MainStatusBar(QWidget* parent)
    : QStatusBar(parent),
      port(new StatusField(this)),
      files(new StatusField(this)),
      network(new StatusField(this)),
      web(new StatusField(this)),
      inputs(new StatusField(this)),
      message(new StatusField(this)) {
    setSizeGripEnabled(false);
    auto* panel = new QWidget(this);
    auto* lines = new QVBoxLayout(panel);
    lines->setContentsMargins(0, 0, 0, 0);
    lines->setSpacing(2);
    auto* row = new FieldRow(style()->pixelMetric(QStyle::PM_LayoutHorizontalSpacing) * 2, files);
    lines->addWidget(message);
    lines->addLayout(row);
    for (StatusField* field : {port, inputs, files, network, web}) row->addWidget(field);
    addWidget(panel, 1);
    message->setWrapped();
    message->setCursor(Qt::PointingHandCursor);
    connect(message, &StatusField::clicked, this, &MainStatusBar::showWholeMessage);
    network->hide();
    web->hide();
    inputs->hide();
    message->hide();
    // Reports come from whichever thread read or saved; the fields change on
    // this one.
    listener_ = addProfileListener([this](const ProfileReport& report) {
        QMetaObject::invokeMethod(
            this, [this, report] { heard(report); }, Qt::AutoConnection);
    });
}

MainStatusBar::~MainStatusBar() { removeProfileListener(listener_); }

void MainStatusBar::setPortName(const QString& name, bool simulated, const QString& standsInFor) {
    const QString model = standsInFor.isEmpty() ? QStringLiteral("модель платы")
                                                : QStringLiteral("модель платы вместо %1").arg(standsInFor);
    port->setFullText(QStringLiteral("Порт: ") + (simulated ? model : name));
}

void MainStatusBar::setFilesDirectory(const QString& dir, bool moved) {
    const QString shown = QDir::toNativeSeparators(dir);
    files->setFullText(moved ? QStringLiteral("Файлы: %1 (папка программы закрыта для записи)").arg(shown)
                             : QStringLiteral("Файлы: %1").arg(shown));
}

void MainStatusBar::setNetworkState(const QString& text) { showState(*network, text); }

void MainStatusBar::setWebState(const QString& text) { showState(*web, text); }

void MainStatusBar::setInputsState(const QString& text) { showState(*inputs, text); }

void MainStatusBar::showState(StatusField& field, const QString& text) {
    field.setFullText(text);
    field.setVisible(!text.isEmpty());
}

void MainStatusBar::showNotice(const QString& text) {
    notice_ = text;
    showMessage();
}

void MainStatusBar::setRuleProblems(const QStringList& problems) {
    if (problems == problems_) return;
    problems_ = problems;
    problemsHeard_ = ++heardSoFar_;
    showMessage();
}

void MainStatusBar::heard(const ProfileReport& report) {
    if (report.failed())
        failures_[report.path] = Failure{failureText(report), ++heardSoFar_};
    else if (failures_.erase(report.path) == 0)
        return;
    showMessage();
}

void MainStatusBar::showMessage() {
    QPalette colours = QApplication::palette(message);
    if (!showsRed()) {
        message->setFullText(notice_);
    } else {
        // The latest of the failures and the rules' problems.
        QString latest;
        std::uint64_t latestHeard = 0;
        for (const auto& [path, failure] : failures_) {
            if (failure.order < latestHeard) continue;
            latest = failure.text;
            latestHeard = failure.order;
        }
        if (!problems_.isEmpty() && problemsHeard_ > latestHeard)
            latest = problems_.size() == 1
                         ? problems_.front()
                         : QStringLiteral("%1 (и ещё %2)").arg(problems_.front()).arg(problems_.size() - 1);
        message->setFullText(latest);
        // The tooltip names every file that is still not saved, and every
        // entry of Rules.ini left out.
        QStringList all;
        for (const auto& [path, failure] : failures_)
            all.append(QDir::toNativeSeparators(QString::fromStdString(path)) + QStringLiteral(": ") + failure.text);
        all.append(problems_);
        message->setToolTip(all.join(QLatin1Char('\n')));
        colours.setColor(QPalette::WindowText, kFailureColour);
    }
    message->setPalette(colours);
    message->setVisible(!message->fullText().isEmpty());
}

void MainStatusBar::showWholeMessage() {
    // The tooltip holds all of it; a box is for reading it at leisure, once.
    if (message->isHidden() || findChild<QMessageBox*>()) return;
    auto* box = new QMessageBox(showsRed() ? QMessageBox::Warning : QMessageBox::Information, window()->windowTitle(),
                                message->toolTip(), QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

}  // namespace kavtra
