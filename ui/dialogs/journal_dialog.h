#pragma once

#include <QDialog>

#include <optional>
#include <string>
#include <vector>

#include "engine/log_line.h"
#include "engine/output_engine.h"

class QLineEdit;
class QTableView;
class QTimer;

namespace kavtra {

class JournalModel;

// "Журнал": the lines of Kavtra.log and its predecessor, newest first, as
// when, who asked and what changed, in words. A number in the field keeps
// the lines that mention that output. The dialog is not modal; while it is
// shown, it reads the log again shortly after every step of the engine.
class JournalDialog : public QDialog {
    Q_OBJECT

public:
    JournalDialog(std::string logPath, OutputEngine& engine, QWidget* parent = nullptr);
    ~JournalDialog() override;

    QLineEdit* filter;
    QTableView* table;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void read();
    // The lines read, or nothing for those shown before.
    void showLines(std::optional<std::vector<LogLine>> lines);

    const std::string logPath_;
    OutputEngine& engine_;
    OutputEngine::ListenerId listener_;
    JournalModel* model_;
    // Steps are read in after the step that wrote their lines has returned,
    // a burst of them at once.
    QTimer* readSoon_;
};

}  // namespace kavtra
