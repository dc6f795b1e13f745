#pragma once

#include <QElapsedTimer>
#include <QWidget>

#include <array>
#include <cstdint>

#include "outputs/shift_board.h"

class QLabel;
class QTimer;

namespace kavtra {

// The simulated board, live: 300 lamps in eight rows of 40 (one row per
// chain, in the order the wiring numbers the outputs), lit while the latched
// register output is high; the control pins, the data direction and how many
// clock and latch pulses arrive per second. It reads the board model on its
// own timer, so a transfer costs the program nothing extra.
class BenchWindow : public QWidget {
    Q_OBJECT

public:
    explicit BenchWindow(const ShiftBoard& board, QWidget* parent = nullptr);

    // Shows the window wholly on main's screen beside main (see
    // besideWindow), also after it was closed; one already shown is raised
    // where it is.
    void showBeside(const QWidget& main);

    // Reads the board now (the timer does this ten times a second; the
    // pulse rates are taken over a second at a time).
    void refresh();

    QRect lampRect(int chain, int stage) const;
    QString pinsText() const;
    QString ratesText() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const ShiftBoard& board_;
    QTimer* timer_;
    QLabel* pins_;
    QLabel* rates_;
    QElapsedTimer clock_;
    std::uint64_t lastClocks_ = 0;
    std::uint64_t lastLatches_ = 0;
    double clocksPerSecond_ = 0;
    double latchesPerSecond_ = 0;
    // What was painted last: the lamps are repainted only when it changes.
    std::array<std::uint64_t, board::kChains> shown_{};
    bool painted_ = false;
    bool ratesShown_ = false;
};

}  // namespace kavtra
