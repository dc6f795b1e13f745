#include "ui/dialogs/schedule_dialog.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "persist/ini/ini_lines.h"
#include "rules/schedule_listing.h"
#include "ui/dialogs/place_dialog.h"

namespace kavtra {
namespace {

constexpr std::string_view kSchedulePrefix = "Schedule ";

QString text(std::string_view bytes) { return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size())); }
std::string bytes(const QString& text) { return text.trimmed().toStdString(); }

// The schedule a problem's section names, if it names one.
std::optional<std::string> scheduleOf(const RuleProblem& problem) {
    const std::string_view section = problem.section;
    if (section.size() <= kSchedulePrefix.size() ||
        !ini::equalsIgnoringAsciiCase(section.substr(0, kSchedulePrefix.size()), kSchedulePrefix))
        return std::nullopt;
    return std::string(section.substr(kSchedulePrefix.size()));
}

QString valueOf(const RuleBook::Keys& keys, std::string_view key) {
    for (const auto& [name, value] : keys)
        if (ini::equalsIgnoringAsciiCase(name, key)) return text(value);
    return {};
}

// "2026-12-31" as Russian dates read; any other text as it is.
QString dateText(const QString& date) {
    static const QRegularExpression iso(QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})$"));
    const QRegularExpressionMatch match = iso.match(date);
    return match.hasMatch() ? match.captured(3) + '.' + match.captured(2) + '.' + match.captured(1) : date;
}

// "sunset-15" and "закат-15" as "закат -15 мин", "2026-12-31 23:59" as
// "31.12.2026 23:59".
QString timeText(const QString& written) {
    const QString time = written.trimmed();
    for (const auto& [word, shown] : {std::pair{QStringLiteral("sunrise"), QStringLiteral("восход")},
                                      std::pair{QStringLiteral("sunset"), QStringLiteral("закат")},
                                      std::pair{QStringLiteral("восход"), QStringLiteral("восход")},
                                      std::pair{QStringLiteral("закат"), QStringLiteral("закат")}}) {
        if (!time.startsWith(word, Qt::CaseInsensitive)) continue;
        const QString shift = time.mid(word.size()).trimmed();
        return shift.isEmpty() ? shown : shown + ' ' + shift + QStringLiteral(" мин");
    }
    const qsizetype blank = time.indexOf(' ');
    return blank < 0 ? time : dateText(time.left(blank)) + ' ' + time.mid(blank + 1).trimmed();
}

// "Mon", "monday", "Пн" as "Пн"; nothing for a text that is no weekday.
std::optional<QString> weekday(const QString& written) {
    static const QString shortNames[] = {QStringLiteral("Пн"), QStringLiteral("Вт"), QStringLiteral("Ср"),
                                         QStringLiteral("Чт"), QStringLiteral("Пт"), QStringLiteral("Сб"),
                                         QStringLiteral("Вс")};
    static const char* const english[] = {"monday", "tuesday", "wednesday", "thursday", "friday", "saturday", "sunday"};
    const QString day = written.trimmed().toLower();
    for (int i = 0; i < 7; ++i) {
        const QString full = QLatin1String(english[i]);
        if (day == full || day == full.left(3) || day == shortNames[i].toLower()) return shortNames[i];
    }
    return std::nullopt;
}

// "Mon-Fri,2026-12-31" as "Пн–Пт, 31.12.2026"; "daily" and nothing as
// "ежедневно".
QString daysText(const QString& written) {
    const QString days = written.trimmed();
    if (days.isEmpty() || days.compare(QStringLiteral("daily"), Qt::CaseInsensitive) == 0 ||
        days.compare(QStringLiteral("ежедневно"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("ежедневно");
    QStringList shown;
    for (const QString& item : written.split(',')) {
        const QStringList ends = item.split('-');
        const auto first = weekday(ends.front());
        const auto last = ends.size() == 2 ? weekday(ends.back()) : std::nullopt;
        if (first && ends.size() == 1)
            shown.append(*first);
        else if (first && last)
            shown.append(*first + QStringLiteral("–") + *last);
        else
            shown.append(dateText(item.trimmed()));
    }
    return shown.join(QStringLiteral(", "));
}

// One line of what a schedule does and when: "06:00 · Пн, Ср, Пт · вкл
// @Теплица".
QString summary(const RuleBook::Keys& keys) {
    QStringList parts;
    const QString at = valueOf(keys, "At");
    const QString from = valueOf(keys, "From");
    const QString to = valueOf(keys, "To");
    const QString days = valueOf(keys, "Days");
    if (!at.isEmpty()) parts.append(timeText(at));
    if (!from.isEmpty() || !to.isEmpty()) parts.append(timeText(from) + QStringLiteral(" – ") + timeText(to));
    // An event with a date happens on that day only unless days are given.
    if (!days.isEmpty() || !at.trimmed().contains(' ')) parts.append(daysText(days));
    if (const QString on = valueOf(keys, "On"); !on.isEmpty()) parts.append(QStringLiteral("вкл ") + on);
    if (const QString off = valueOf(keys, "Off"); !off.isEmpty()) parts.append(QStringLiteral("выкл ") + off);
    if (const QString scene = valueOf(keys, "Scene"); !scene.isEmpty())
        parts.append(QStringLiteral("сцена «%1»").arg(scene));
    return parts.join(QStringLiteral(" · "));
}

QLabel* hint(const QString& words, QWidget* parent) {
    auto* label = new QLabel(words, parent);
    label->setWordWrap(true);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 0.9);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, palette.color(QPalette::PlaceholderText));
    label->setPalette(palette);
    return label;
}

}  // namespace

ScheduleDialog::ScheduleDialog(RuleBook& rules, Confirm confirm, QWidget* parent)
    : QDialog(parent),
      list(new QTreeWidget(this)),
      addButton(new QPushButton(QStringLiteral("Добавить"), this)),
      editButton(new QPushButton(QStringLiteral("Изменить"), this)),
      removeButton(new QPushButton(QStringLiteral("Удалить…"), this)),
      form(new QGroupBox(this)),
      name(new QLineEdit(form)),
      eventKind(new QRadioButton(QStringLiteral("в заданное время"), form)),
      windowKind(new QRadioButton(QStringLiteral("включены с … до …"), form)),
      at(new QLineEdit(form)),
      from(new QLineEdit(form)),
      to(new QLineEdit(form)),
      placeButton(new QPushButton(QStringLiteral("Место…"), form)),
      days(new QLineEdit(form)),
      on(new QLineEdit(form)),
      off(new QLineEdit(form)),
      scene(new QComboBox(form)),
      message(new QLabel(form)),
      saveButton(new QPushButton(QStringLiteral("Сохранить"), form)),
      rules_(rules),
      confirm_(std::move(confirm)),
      listColumn_(new QVBoxLayout) {
    upcoming = new QLabel(this);
    upcoming->setObjectName(QStringLiteral("scheduleUpcoming"));
    upcoming->setTextInteractionFlags(Qt::TextSelectableByMouse);
    setWindowTitle(QStringLiteral("Расписание"));
    setObjectName(QStringLiteral("schedules"));
    resize(900, 460);

    list->setObjectName(QStringLiteral("scheduleList"));
    list->setColumnCount(2);
    list->setHeaderLabels({QStringLiteral("Название"), QStringLiteral("Когда и что")});
    list->setRootIsDecorated(false);
    list->setAllColumnsShowFocus(true);
    list->setWordWrap(false);
    list->header()->setStretchLastSection(true);
    list->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {addButton, editButton, removeButton}) {
        button->setAutoDefault(false);
        buttons->addWidget(button);
    }
    buttons->addStretch(1);
    listColumn_->addWidget(list, 1);
    listColumn_->addLayout(buttons);
    listColumn_->addWidget(upcoming);

    auto* kind = new QHBoxLayout;
    kind->addWidget(eventKind);
    kind->addWidget(windowKind);
    kind->addStretch(1);
    auto* window = new QHBoxLayout;
    window->addWidget(from, 1);
    window->addWidget(new QLabel(QStringLiteral("до"), form));
    window->addWidget(to, 1);
    at->setPlaceholderText(QStringLiteral("06:00"));
    from->setPlaceholderText(QStringLiteral("закат-15"));
    to->setPlaceholderText(QStringLiteral("23:30"));
    days->setPlaceholderText(QStringLiteral("ежедневно"));
    on->setPlaceholderText(QStringLiteral("1-3,7,@Теплица"));
    name->setObjectName(QStringLiteral("scheduleName"));
    message->setObjectName(QStringLiteral("scheduleMessage"));
    message->setWordWrap(true);
    message->setTextInteractionFlags(Qt::TextSelectableByMouse);
    saveButton->setDefault(true);

    auto* fields = new QFormLayout;
    fields->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    fields->addRow(QStringLiteral("Название:"), name);
    fields->addRow(QStringLiteral("Когда:"), kind);
    fields->addRow(QStringLiteral("Время:"), at);
    fields->addRow(QStringLiteral("С:"), window);
    auto* timeHint = new QHBoxLayout;
    timeHint->addWidget(hint(QStringLiteral("ЧЧ:ММ или ЧЧ:ММ:СС; восход или закат, можно со сдвигом в минутах "
                                            "(закат-15), для места, заданного кнопкой «Место…»; один раз: "
                                            "ГГГГ-ММ-ДД ЧЧ:ММ"),
                             form),
                        1);
    placeButton->setObjectName(QStringLiteral("schedulePlace"));
    placeButton->setAutoDefault(false);
    timeHint->addWidget(placeButton, 0, Qt::AlignTop);
    fields->addRow(QString(), timeHint);
    fields->addRow(QStringLiteral("Дни:"), days);
    fields->addRow(QString(), hint(QStringLiteral("ежедневно, дни недели (Пн,Ср,Пт или Пн-Пт) или даты ГГГГ-ММ-ДД "
                                                  "через запятую; пусто — каждый день"),
                                   form));
    fields->addRow(QStringLiteral("Включить:"), on);
    fields->addRow(QStringLiteral("Выключить:"), off);
    fields->addRow(QString(), hint(QStringLiteral("номера и диапазоны через запятую, группы как @ИМЯ"), form));
    fields->addRow(QStringLiteral("Сцена:"), scene);
    auto* formLayout = new QVBoxLayout(form);
    formLayout->addLayout(fields);
    formLayout->addWidget(message);
    formLayout->addStretch(1);
    auto* saveRow = new QHBoxLayout;
    saveRow->addStretch(1);
    saveRow->addWidget(saveButton);
    formLayout->addLayout(saveRow);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(listColumn_, 1);
    layout->addWidget(form, 1);

    connect(addButton, &QPushButton::clicked, this, &ScheduleDialog::startNew);
    connect(editButton, &QPushButton::clicked, this, &ScheduleDialog::editSelected);
    connect(list, &QTreeWidget::itemDoubleClicked, this, &ScheduleDialog::editSelected);
    connect(removeButton, &QPushButton::clicked, this, &ScheduleDialog::removeSelected);
    connect(saveButton, &QPushButton::clicked, this, &ScheduleDialog::save);
    connect(eventKind, &QRadioButton::toggled, this, &ScheduleDialog::showKind);
    connect(placeButton, &QPushButton::clicked, this, &ScheduleDialog::openPlace);
    connect(list, &QTreeWidget::itemSelectionChanged, this, [this] {
        const bool chosen = !selectedName().empty();
        editButton->setEnabled(chosen);
        removeButton->setEnabled(chosen);
    });

    listener_ = rules_.addListener([this] {
        fillList();
        fillScenes(scene->currentData().toString());
    });
    fillList();
    startNew();
}

ScheduleDialog::~ScheduleDialog() { rules_.removeListener(listener_); }

void ScheduleDialog::showEvent(QShowEvent* event) {
    fillUpcoming();
    QDialog::showEvent(event);
}

void ScheduleDialog::fillUpcoming() {
    constexpr std::size_t kShown = 5;
    const Rules& rules = rules_.rules();
    const SchedulePlan plan(rules.schedules, rules.place, systemZone());
    const auto now = std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
    QStringList lines{QStringLiteral("Ближайшие события:")};
    for (const std::string& line : upcomingLines(plan, systemZone(), now, kShown))
        lines.append(text(line).replace('\t', QStringLiteral("  ")));
    if (lines.size() == 1) lines.append(QStringLiteral("нет"));
    upcoming->setText(lines.join('\n'));
}

void ScheduleDialog::fillList() {
    fillUpcoming();
    const std::string chosen = selectedName();
    list->clear();
    for (const ScheduleEntry& entry : rules_.rules().schedules) {
        auto* row = new QTreeWidgetItem(list, {text(entry.name), summary(entry.written)});
        row->setToolTip(1, row->text(1));
    }
    // Entries at fault are in the file, though not in force: listed so that
    // they can be mended or removed here, the first fault in short in the
    // row, every one in full in the tooltip.
    struct Faulty {
        std::string name;
        QString first;
        QStringList all;
    };
    std::vector<Faulty> faulty;
    for (const RuleProblem& problem : rules_.problems()) {
        const std::optional<std::string> schedule = scheduleOf(problem);
        if (!schedule) continue;
        auto known = std::find_if(faulty.begin(), faulty.end(), [&](const Faulty& f) { return f.name == *schedule; });
        if (known == faulty.end())
            known = faulty.insert(faulty.end(),
                                  {*schedule, text((problem.key.empty() ? "" : problem.key + ": ") + problem.why), {}});
        known->all.append(text(problemText(problem)));
    }
    for (const Faulty& entry : faulty) {
        auto* row = new QTreeWidgetItem(list, {text(entry.name), QStringLiteral("не действует: ") + entry.first});
        for (int column : {0, 1}) {
            row->setForeground(column, Qt::red);
            row->setToolTip(column, entry.all.join('\n'));
        }
    }
    editButton->setEnabled(false);
    removeButton->setEnabled(false);
    if (!chosen.empty()) select(chosen);
}

void ScheduleDialog::fillScenes(const QString& chosen) {
    scene->clear();
    scene->addItem(QStringLiteral("(нет)"), QString());
    for (const Scene& each : rules_.rules().scenes) scene->addItem(text(each.name), text(each.name));
    if (!chosen.isEmpty() && scene->findData(chosen) < 0)
        scene->addItem(chosen + QStringLiteral(" (нет в Rules.ini)"), chosen);
    scene->setCurrentIndex(std::max(0, scene->findData(chosen)));
}

void ScheduleDialog::startNew() {
    editing_.clear();
    form->setTitle(QStringLiteral("Новое расписание"));
    for (QLineEdit* field : {name, at, from, to, days, on, off}) field->clear();
    eventKind->setChecked(true);
    showKind();
    fillScenes({});
    message->clear();
    name->setFocus();
}

void ScheduleDialog::editSelected() {
    const std::string chosen = selectedName();
    if (chosen.empty()) return;
    const RuleBook::Keys keys = rules_.entryKeys(EntryKind::Schedule, chosen);
    editing_ = chosen;
    form->setTitle(QStringLiteral("Расписание «%1»").arg(text(chosen)));
    name->setText(text(chosen));
    const std::pair<QLineEdit*, std::string_view> fields[] = {{at, "At"},     {from, "From"}, {to, "To"},
                                                              {days, "Days"}, {on, "On"},     {off, "Off"}};
    for (const auto& [field, key] : fields) field->setText(valueOf(keys, key));
    (from->text().isEmpty() && to->text().isEmpty() ? eventKind : windowKind)->setChecked(true);
    showKind();
    fillScenes(valueOf(keys, "Scene"));
    message->clear();
    // An entry at fault says why as soon as it is opened.
    for (const RuleProblem& problem : rules_.problems())
        if (scheduleOf(problem) == chosen) tell(problemText(problem), true);
}

void ScheduleDialog::removeSelected() {
    const std::string chosen = selectedName();
    if (chosen.empty() || !confirm_ ||
        !confirm_(this, windowTitle(), QStringLiteral("Удалить расписание «%1» из Rules.ini?").arg(text(chosen))))
        return;
    const std::string why = rules_.remove(scheduleSection(chosen));
    if (!why.empty()) return tell(why, true);
    if (editing_ == chosen) startNew();
    tell("Расписание «" + chosen + "» удалено.", false);
}

void ScheduleDialog::save() {
    const std::string newName = bytes(name->text());
    RuleBook::Keys keys;
    if (eventKind->isChecked()) {
        keys.emplace_back("At", bytes(at->text()));
    } else {
        keys.emplace_back("From", bytes(from->text()));
        keys.emplace_back("To", bytes(to->text()));
    }
    keys.emplace_back("Days", bytes(days->text()));
    keys.emplace_back("On", bytes(on->text()));
    // A window switches its On list alone: on inside, off outside.
    if (eventKind->isChecked()) {
        keys.emplace_back("Off", bytes(off->text()));
        keys.emplace_back("Scene", scene->currentData().toString().toStdString());
    }
    const std::string why = rules_.saveEntry(EntryKind::Schedule, editing_, newName, keys);
    if (!why.empty()) return tell(why, true);
    editing_ = newName;
    form->setTitle(QStringLiteral("Расписание «%1»").arg(text(newName)));
    name->setText(text(newName));
    select(newName);
    tell("Сохранено в Rules.ini.", false);
}

void ScheduleDialog::showKind() {
    const bool event = eventKind->isChecked();
    at->setEnabled(event);
    from->setEnabled(!event);
    to->setEnabled(!event);
    off->setEnabled(event);
    scene->setEnabled(event);
}

void ScheduleDialog::openPlace() {
    // Window-modal and not waited for: the schedules go on following the file
    // while it is open.
    auto* place = new PlaceDialog(rules_, this);
    place->setAttribute(Qt::WA_DeleteOnClose);
    place->open();
}

void ScheduleDialog::tell(const std::string& why, bool failed) {
    message->setText(text(why));
    QPalette palette = this->palette();
    if (failed) palette.setColor(QPalette::WindowText, Qt::red);
    message->setPalette(palette);
}

std::string ScheduleDialog::selectedName() const {
    const QList<QTreeWidgetItem*> rows = list->selectedItems();
    return rows.isEmpty() ? std::string() : rows.front()->text(0).toStdString();
}

void ScheduleDialog::select(const std::string& chosen) {
    const QList<QTreeWidgetItem*> rows = list->findItems(text(chosen), Qt::MatchExactly, 0);
    if (!rows.isEmpty()) list->setCurrentItem(rows.front());
}

}  // namespace kavtra
