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

#include <algorithm>
#include <charconv>
#include <limits>
#include <optional>
#include <string_view>

#include "commands/output_list.h"
#include "persist/log/change_log.h"

namespace kavtra {
namespace {

// A full log and its predecessor take some 10 to 30 ms to read and sort
// out; read at most this often, a flood of steps (MQTT, a script) costs the
// main thread a bounded share, and each step still shows within this time.
constexpr int kReadAfterMs = 200;

// "TIME<TAB>SOURCE<TAB>ENTRIES"; a line not of that form is shown whole as
// its entries.
struct LogLine {
    std::string_view time, source, entries;
};

LogLine split(std::string_view line) {
    const std::size_t first = line.find('\t');
    const std::size_t second = first == std::string_view::npos ? first : line.find('\t', first + 1);
    if (second == std::string_view::npos) return {{}, {}, line};
    return {line.substr(0, first), line.substr(first + 1, second - first - 1), line.substr(second + 1)};
}

QString text(std::string_view bytes) { return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size())); }

std::optional<int> number(std::string_view digits) {
    int value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size() || digits.empty()) return std::nullopt;
    return value;
}

// The output a rename line names ("5 name=Насос"), and the name.
std::optional<std::pair<int, std::string_view>> rename(std::string_view entries) {
    const std::size_t blank = entries.find(" name=");
    if (blank == std::string_view::npos) return std::nullopt;
    const std::optional<int> output = number(entries.substr(0, blank));
    if (!output) return std::nullopt;
    return std::pair{*output, entries.substr(blank + 6)};
}

// The outputs a line of switches turns on and off ("7=off 8=on"); nothing
// when it is not such a line.
std::optional<std::pair<std::vector<int>, std::vector<int>>> switches(std::string_view entries) {
    std::pair<std::vector<int>, std::vector<int>> onOff;
    while (!entries.empty()) {
        const std::size_t end = std::min(entries.find(' '), entries.size());
        const std::string_view entry = entries.substr(0, end);
        entries.remove_prefix(std::min(end + 1, entries.size()));
        const std::size_t equals = entry.find('=');
        const std::optional<int> output = number(entry.substr(0, equals));
        const std::string_view state = equals == std::string_view::npos ? "" : entry.substr(equals + 1);
        if (!output || (state != "on" && state != "off")) return std::nullopt;
        (state == "on" ? onOff.first : onOff.second).push_back(*output);
    }
    return onOff;
}

bool mentions(std::string_view entries, int output) {
    if (const auto renamed = rename(entries)) return renamed->first == output;
    const auto onOff = switches(entries);
    if (!onOff) return false;
    for (const std::vector<int>* outputs : {&onOff->first, &onOff->second})
        if (std::find(outputs->begin(), outputs->end(), output) != outputs->end()) return true;
    return false;
}

// "2026-12-07 18:45:13.123" as Russian dates read: "07.12.2026 18:45:13.123".
QString shownTime(std::string_view time) {
    if (time.size() < 11 || time[4] != '-' || time[7] != '-' || time[10] != ' ') return text(time);
    return text(time.substr(8, 2)) + QLatin1Char('.') + text(time.substr(5, 2)) + QLatin1Char('.') +
           text(time.substr(0, 4)) + text(time.substr(10));
}

QString shownSource(std::string_view source) {
    const std::size_t colon = source.find(':');
    const std::string_view kind = source.substr(0, colon);
    const QString name = colon == std::string_view::npos ? QString() : text(source.substr(colon + 1));
    if (kind == "window") return QStringLiteral("окно");
    if (kind == "command") return QStringLiteral("команда");
    if (kind == "pulse") return QStringLiteral("импульс");
    if (kind == "undo") return QStringLiteral("отмена");
    if (kind == "mqtt") return name.isEmpty() ? QStringLiteral("MQTT") : QStringLiteral("MQTT: ") + name;
    if (source == "policy:start") return QStringLiteral("при запуске");
    if (source == "policy:exit") return QStringLiteral("при выходе");
    if (kind == "scene") return QStringLiteral("сцена «%1»").arg(name);
    if (kind == "group") return QStringLiteral("группа «%1»").arg(name);
    if (kind == "interlock") return QStringLiteral("блокировка «%1»").arg(name);
    return text(source);
}

QString shownEntries(std::string_view entries) {
    if (const auto renamed = rename(entries))
        return QStringLiteral("%1: название «%2»").arg(renamed->first).arg(text(renamed->second));
    const auto onOff = switches(entries);
    if (!onOff) return text(entries);
    QStringList parts;
    if (!onOff->first.empty()) parts.append(QStringLiteral("вкл. ") + text(listText(onOff->first)));
    if (!onOff->second.empty()) parts.append(QStringLiteral("выкл. ") + text(listText(onOff->second)));
    return parts.join(QStringLiteral("; "));
}

}  // namespace

// The lines shown, newest first, each put in words only when it is painted:
// a full log and its predecessor hold some 50,000 lines.
class JournalModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    // Of the log's lines (oldest first; the lines given before when none are
    // given), those that mention `output` are shown, or all of them.
    void show(bool all, int output, std::optional<std::vector<std::string>> lines = std::nullopt) {
        beginResetModel();
        if (lines) lines_ = std::move(*lines);
        shown_.clear();
        for (std::size_t i = lines_.size(); i-- > 0;)
            if (all || mentions(split(lines_[i]).entries, output)) shown_.push_back(i);
        endResetModel();
    }
    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : static_cast<int>(shown_.size());
    }
    int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : 3; }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole)) return {};
        const LogLine line = split(lines_[shown_[static_cast<std::size_t>(index.row())]]);
        switch (index.column()) {
        case 0: return shownTime(line.time);
        case 1: return shownSource(line.source);
        default: return shownEntries(line.entries);
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
        static const QString titles[] = {QStringLiteral("Время"), QStringLiteral("Источник"),
                                         QStringLiteral("Изменения")};
        return titles[section];
    }

private:
    std::vector<std::string> lines_;
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

void JournalDialog::read() { showLines(lastLogLines(logPath_, std::numeric_limits<std::size_t>::max())); }

void JournalDialog::showLines(std::optional<std::vector<std::string>> lines) {
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
