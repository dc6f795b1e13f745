#include "ui/dialogs/journal_dialog.h"

#include <QAbstractTableModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QShowEvent>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <limits>
#include <optional>
#include <string_view>

#include "engine/log_line.h"

namespace kavtra {
namespace {

// A full log and its predecessor take some 10 to 30 ms to read and sort
// out; read at most this often, a flood of steps (MQTT, a script) costs the
// main thread a bounded share, and each step still shows within this time.
constexpr int kReadAfterMs = 200;

QString text(std::string_view bytes) { return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size())); }

// "2026-12-07 18:45:13.123" as Russian dates read: "07.12.2026 18:45:13.123".
QString shownTime(std::string_view time) {
    if (time.size() < 11 || time[4] != '-' || time[7] != '-' || time[10] != ' ') return text(time);
    return text(time.substr(8, 2)) + QLatin1Char('.') + text(time.substr(5, 2)) + QLatin1Char('.') +
           text(time.substr(0, 4)) + text(time.substr(10));
}

}  // namespace

// The lines shown, newest first, each put in words only when it is painted:
// a full log and its predecessor hold some 50,000 lines.
class JournalModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    // Of the log's lines (oldest first; the lines given before when none are
    // given), those that mention `output` are shown, or all of them.
    void show(bool all, int output, std::optional<std::vector<LogLine>> lines = std::nullopt) {
        beginResetModel();
        if (lines) lines_ = std::move(*lines);
        shown_.clear();
        for (std::size_t i = lines_.size(); i-- > 0;)
            if (all || lines_[i].mentions(output)) shown_.push_back(i);
        endResetModel();
    }
    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : static_cast<int>(shown_.size());
    }
    int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : 3; }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole)) return {};
        const LogLine& line = lines_[shown_[static_cast<std::size_t>(index.row())]];
        switch (index.column()) {
        case 0: return shownTime(line.time);
        case 1: return text(line.label());
        default: return text(line.whatText());
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
        static const QString titles[] = {QStringLiteral("Время"), QStringLiteral("Источник"),
                                         QStringLiteral("Изменения")};
        return titles[section];
    }

private:
    std::vector<LogLine> lines_;
    std::vector<std::size_t> shown_;  // indexes into lines_, newest first
};

JournalDialog::JournalDialog(std::string logPath, OutputEngine& engine, QWidget* parent)
    : QDialog(parent),
      filter(new QLineEdit(this)),
      table(new QTableView(this)),
      logPath_(std::move(logPath)),
      engine_(engine),
      model_(new JournalModel(this)),
      readSoon_(new QTimer(this)) {
    setWindowTitle(QStringLiteral("Журнал"));
    setObjectName(QStringLiteral("journal"));
    resize(640, 420);

    auto* label = new QLabel(QStringLiteral("Только вывод №:"), this);
    label->setBuddy(filter);
    filter->setObjectName(QStringLiteral("journalFilter"));
    filter->setValidator(new QIntValidator(1, OutState::kOutputs, filter));
    filter->setMaximumWidth(60);
    filter->setPlaceholderText(QStringLiteral("все"));
    auto* top = new QHBoxLayout;
    top->addWidget(label);
    top->addWidget(filter);
    top->addStretch(1);

    table->setObjectName(QStringLiteral("journalTable"));
    table->setModel(model_);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setWordWrap(false);
    table->verticalHeader()->hide();
    // One line of text a row, as a list of records reads.
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    table->horizontalHeader()->setStretchLastSection(true);
    table->setColumnWidth(0, 170);
    table->setColumnWidth(1, 190);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(table, 1);

    readSoon_->setSingleShot(true);
    readSoon_->setInterval(kReadAfterMs);
    connect(readSoon_, &QTimer::timeout, this, &JournalDialog::read);
    connect(filter, &QLineEdit::textChanged, this, [this] {
        showLines(std::nullopt);
        table->scrollToTop();
    });
    listener_ = engine_.addListener([this](const OutputChange&) {
        if (isVisible() && !readSoon_->isActive()) readSoon_->start();
    });
}

JournalDialog::~JournalDialog() { engine_.removeListener(listener_); }

void JournalDialog::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) read();
    QDialog::showEvent(event);
}

void JournalDialog::read() { showLines(lastLogEntries(logPath_, std::numeric_limits<std::size_t>::max())); }

void JournalDialog::showLines(std::optional<std::vector<LogLine>> lines) {
    // Whoever is reading further down keeps the lines in view as new ones
    // come in above them.
    const int topRow = table->rowAt(0);
    const int before = model_->rowCount({});
    const QString typed = filter->text();
    model_->show(typed.isEmpty(), typed.toInt(), std::move(lines));
    if (topRow > 0)
        table->scrollTo(model_->index(topRow + model_->rowCount({}) - before, 0), QAbstractItemView::PositionAtTop);
}

}  // namespace kavtra
