#pragma once

#include <QStatusBar>

#include <cstdint>
#include <map>
#include <string>

#include "persist/profile/failure_report.h"
#include "ui/main/status_field.h"

namespace kavtra {

// The main window's status bar: a line of its own for the message, shown
// while there is one, above the fields of the port in use, the directory of
// the two files, the MQTT link's and the web access's states and the watched
// inputs' (each shown once there is one). A save or read of either file that fails is the message, in
// red, until the next complete save of that file; the stderr line stays as it
// was. With no failure pending, the message is the last notice in the usual
// colour. Rules.ini's entries at fault are shown the same way, until a read of
// the file finds none. A click on the message shows all of it in a box. The
// fields take the room their texts need; only where the window is too
// narrow for all of them does the folder give way first, then the longest.
class MainStatusBar : public QStatusBar {
    Q_OBJECT

public:
    explicit MainStatusBar(QWidget* parent = nullptr);
    ~MainStatusBar() override;

    StatusField* port;
    StatusField* files;
    StatusField* network;
    StatusField* web;
    StatusField* inputs;
    StatusField* message;

    // "sim" for the simulated board, otherwise the port's device name
    // ("/dev/parport0", "io:0x378", the DLL's name). standsInFor: the port
    // the simulated board replaces for this run, since it could not be opened.
    void setPortName(const QString& name, bool simulated, const QString& standsInFor = {});
    // moved: the program may not write beside its executable, so the files
    // live in the user's data directory instead.
    void setFilesDirectory(const QString& dir, bool moved);
    void setNetworkState(const QString& text);
    void setWebState(const QString& text);
    // The watched inputs' states ("Входы: 1 ● 3 ○"); empty hides it.
    void setInputsState(const QString& text);
    void showNotice(const QString& text);
    // problemText() of each entry left out; none takes them back.
    void setRuleProblems(const QStringList& problems);

    bool showsFailure() const { return !failures_.empty(); }

private:
    void heard(const ProfileReport& report);
    void showMessage();
    void showState(StatusField& field, const QString& text);
    // Every failure and entry at fault, or the notice, in a box of its own.
    void showWholeMessage();
    bool showsRed() const { return !failures_.empty() || !problems_.isEmpty(); }

    struct Failure {
        QString text;
        std::uint64_t order;
    };
    // The failures not yet taken back by a complete save, per file.
    std::map<std::string, Failure> failures_;
    std::uint64_t heardSoFar_ = 0;
    QStringList problems_;
    std::uint64_t problemsHeard_ = 0;  // in the order of failures
    QString notice_;
    ProfileListenerId listener_;
};

}  // namespace kavtra
