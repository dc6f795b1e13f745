#include "ui/bench/bench_window.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QRadialGradient>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "ui/main/window_placement.h"

namespace kavtra {
namespace {

constexpr int kRefreshMs = 100;
constexpr qint64 kRateWindowMs = 1000;
constexpr int kMargin = 12;
constexpr int kLabelWidth = 160;
constexpr int kPitch = 19;
constexpr int kRowPitch = 24;
constexpr int kLamp = 14;
constexpr int kGridTop = 70;
constexpr int kInputsRow = 30;

const QColor kPanel(36, 40, 48);
const QColor kLit(255, 196, 48);
const QColor kDark(72, 76, 84);
const QColor kText(220, 224, 230);
const QColor kInvertedMark(96, 176, 255);

QString level(bool high) { return high ? QStringLiteral("1") : QStringLiteral("0"); }

void paintLamp(QPainter& p, const QRectF& lamp, bool lit) {
    QRadialGradient glow(lamp.center(), lamp.width() / 2);
    glow.setColorAt(0, lit ? kLit.lighter(140) : kDark.lighter(120));
    glow.setColorAt(1, lit ? kLit : kDark);
    p.setPen(QPen(QColor(20, 22, 26), 1));
    p.setBrush(glow);
    p.drawEllipse(lamp);
}

QPixmap lampPixmap(bool lit) {
    QPixmap pixmap(kLamp + 2, kLamp + 2);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    paintLamp(p, QRectF(1, 1, kLamp, kLamp), lit);
    return pixmap;
}

// Lit while checked, in every mode: a switch the file drives is disabled but
// must still show the level, not Qt's greyed-out icon.
QIcon lampIcon() {
    QIcon icon;
    for (const QIcon::Mode mode : {QIcon::Normal, QIcon::Disabled, QIcon::Active}) {
        icon.addPixmap(lampPixmap(true), mode, QIcon::On);
        icon.addPixmap(lampPixmap(false), mode, QIcon::Off);
    }
    return icon;
}

}  // namespace

BenchWindow::BenchWindow(const ShiftBoard& board, SimulatedPort& port, Inversion inversion, QWidget* parent)
    : QWidget(parent, Qt::Window),
      board_(board),
      port_(port),
      inversion_(std::move(inversion)),
      timer_(new QTimer(this)) {
    setWindowTitle(QStringLiteral("Кавтра — имитатор платы"));
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, kPanel);
    palette.setColor(QPalette::WindowText, kText);
    setPalette(palette);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kMargin, kMargin / 2, kMargin, kMargin);
    pins_ = new QLabel(this);
    rates_ = new QLabel(this);
    layout->addWidget(pins_);
    layout->addWidget(rates_);
    layout->addStretch();
    addInputSwitches(*layout);
    setFixedSize(kMargin * 2 + kLabelWidth + board::kStages * kPitch,
                 kGridTop + board::kChains * kRowPitch + kInputsRow + kMargin);

    clock_.start();
    connect(timer_, &QTimer::timeout, this, &BenchWindow::refresh);
    timer_->start(kRefreshMs);
    refresh();
}

void BenchWindow::addInputSwitches(QBoxLayout& layout) {
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("Входы:"), this));
    const QIcon icon = lampIcon();
    for (std::size_t i = 0; i < kInputs; ++i) {
        auto* button = new QToolButton(this);
        button->setText(QStringLiteral("%1 (контакт %2)").arg(i + 1).arg(kInputPins[i]));
        button->setIcon(icon);
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        // The lamp alone shows the level: a pressed-in button face would be
        // light grey on the dark panel and hide the text.
        button->setStyleSheet(
            QStringLiteral("QToolButton { border: none; background: transparent; color: %1; }").arg(kText.name()));
        button->setCheckable(true);
        button->setEnabled(!port_.inputsFromFile());
        // The window's thread is the only one that sets the levels: reading
        // them back here and writing all five loses no other change.
        connect(button, &QToolButton::clicked, this, [this, i](bool high) {
            InputLevels levels = port_.inputs();
            levels[i] = high;
            port_.setInputs(levels);
        });
        row->addWidget(button);
        inputs_[i] = button;
    }
    row->addStretch();
    layout.addLayout(row);
}

QRect BenchWindow::lampRect(int chain, int stage) const {
    // Output 40k + i is the i-th lamp of row k; it sits in stage 41 - i.
    const int column = board::kStages - stage;
    return QRect(kMargin + kLabelWidth + column * kPitch, kGridTop + chain * kRowPitch, kLamp, kLamp);
}

QString BenchWindow::pinsText() const {
    const ShiftBoard::Pins p = board_.pins();
    return QStringLiteral(
               "Контакт 1 (такт): %1    Контакт 14 (защёлка): %2    Контакт 16: %3    "
               "Контакт 17 (начальная установка): %4    Линии данных: %5")
        .arg(level(p.pin1), level(p.pin14), level(p.pin16), level(p.pin17),
             p.dataInput ? QStringLiteral("вход") : QStringLiteral("выход"));
}

QString BenchWindow::ratesText() const {
    return QStringLiteral("Тактовых импульсов в секунду: %1    Защёлкиваний в секунду: %2")
        .arg(qRound(clocksPerSecond_))
        .arg(qRound(latchesPerSecond_));
}

void BenchWindow::showBeside(const QWidget& main) {
    if (isHidden()) {
        // Its frame, not known before it is shown, is the window manager's,
        // as the main window's is.
        const QSize outer = size() + (main.frameGeometry().size() - main.size());
        move(besideWindow(main.frameGeometry(), outer, main.screen()->availableGeometry()));
        show();
    }
    raise();
}

void BenchWindow::refresh() {
    // Rates over whole seconds: steadier to read, and the label is redrawn
    // once a second rather than at every refresh.
    const qint64 elapsed = clock_.elapsed();
    if (elapsed >= kRateWindowMs || !ratesShown_) {
        const double seconds = static_cast<double>(elapsed) / 1000.0;
        if (seconds > 0) {
            clocksPerSecond_ = static_cast<double>(board_.clockPulses() - lastClocks_) / seconds;
            latchesPerSecond_ = static_cast<double>(board_.latchPulses() - lastLatches_) / seconds;
        }
        lastClocks_ = board_.clockPulses();
        lastLatches_ = board_.latchPulses();
        clock_.restart();
        ratesShown_ = true;
        rates_->setText(ratesText());
    }
    // Setting an unchanged text repaints nothing.
    pins_->setText(pinsText());
    const InputLevels levels = port_.inputs();
    for (std::size_t i = 0; i < kInputs; ++i) inputs_[i]->setChecked(levels[i]);
    // The whole window is asked for when the latches change: a paint of some
    // part of it alone (a label's new text) must not count as showing them.
    const InvertedOutputs inverted = inversion_ ? inversion_() : InvertedOutputs();
    if (painted_ && board_.latches() == shown_ && inverted == shownInverted_) return;
    shown_ = board_.latches();
    shownInverted_ = inverted;
    update();
}

void BenchWindow::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    painted_ = true;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QFont small = font();
    small.setPointSizeF(font().pointSizeF() * 0.9);
    p.setFont(small);
    for (int chain = 0; chain < board::kChains; ++chain) {
        const int first = chain * board::kStages + 1;
        const int last = qMin(first + board::kStages - 1, board::kOutputs);
        p.setPen(kText);
        p.drawText(QRect(kMargin, kGridTop + chain * kRowPitch - 3, kLabelWidth - 8, kRowPitch),
                   Qt::AlignLeft | Qt::AlignTop,
                   QStringLiteral("D%1, контакт %2: %3–%4").arg(chain).arg(chain + 2).arg(first).arg(last));
        for (int stage = 1; stage <= board::kStages; ++stage) {
            const QRectF lamp = lampRect(chain, stage);
            const bool isOutput = first + (board::kStages - stage) <= board::kOutputs;
            const bool lit = board_.latched(chain, stage) != 0;
            if (!isOutput) {
                // Stages beyond output 300 carry no load: drawn as empty rings.
                p.setPen(QPen(kDark, 1.5));
                p.setBrush(Qt::NoBrush);
                p.drawEllipse(lamp.adjusted(2, 2, -2, -2));
                continue;
            }
            paintLamp(p, lamp, lit);
            if (shownInverted_[static_cast<std::size_t>(first - 1 + board::kStages - stage)]) {
                p.setPen(QPen(kInvertedMark, 2));
                p.drawLine(QPointF(lamp.left() + 2, lamp.bottom() + 4), QPointF(lamp.right() - 2, lamp.bottom() + 4));
            }
        }
    }
}

}  // namespace kavtra
