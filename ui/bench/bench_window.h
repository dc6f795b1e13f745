#pragma once

#include <QElapsedTimer>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>

#include "outputs/shift_board.h"
#include "outputs/transfer.h"
#include "port/simulated_port.h"

class QAbstractButton;
class QBoxLayout;
class QLabel;
class QTimer;

namespace kavtra {

// The simulated board, live: 300 lamps in eight rows of 40 (one row per
// chain, in the order the wiring numbers the outputs), lit while the latched
// register output is high; the control pins, the data direction and how many
// clock and latch pulses arrive per second. It reads the board model on its
// own timer, so a transfer costs the program nothing extra. Below the lamps,
// five switches set the simulated port's inputs; while a file drives them
// (KAVTRA_PORT_INPUTS) they only show its levels and cannot be clicked.
class BenchWindow : public QWidget {
    Q_OBJECT

public:
    // The outputs the transfers invert, asked at every refresh: their lamps
    // show the level like any other, so a lit one is off, and a bar under
    // each marks them.
    using Inversion = std::function<InvertedOutputs()>;
    BenchWindow(const ShiftBoard& board, SimulatedPort& port, Inversion inversion = {}, QWidget* parent = nullptr);

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
    // Input index + 1's switch: checked while that pin is high.
    QAbstractButton* inputSwitch(std::size_t index) const { return inputs_[index]; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void addInputSwitches(QBoxLayout& layout);

    const ShiftBoard& board_;
    SimulatedPort& port_;
    const Inversion inversion_;
    QTimer* timer_;
    std::array<QAbstractButton*, kInputs> inputs_{};
    QLabel* pins_;
    QLabel* rates_;
    QElapsedTimer clock_;
    std::uint64_t lastClocks_ = 0;
    std::uint64_t lastLatches_ = 0;
    double clocksPerSecond_ = 0;
    double latchesPerSecond_ = 0;
    // The latches the window was last asked to show: it is repainted whole
    // only when they change.
    std::array<std::uint64_t, board::kChains> shown_{};
    InvertedOutputs shownInverted_;
    bool painted_ = false;
    bool ratesShown_ = false;
};

}  // namespace kavtra
