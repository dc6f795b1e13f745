#pragma once

#include <QStatusBar>

#include <cstdint>
#include <map>
#include <string>

#include "persist/profile/failure_report.h"
#include "ui/main/status_field.h"

namespace kavtra {

// The main window's status bar: the port in use, the directory of the two
// files, the MQTT link's and the web access's states (each shown once there
// is one), and a message
// field. A save or read of either file that fails is shown there in red until
// the next complete save of that file; the stderr line stays as it was. With
// no failure pending, the field shows the last notice in the usual colour.
// While a failure is shown, the other fields give it the room its file name
// and reason need, down to a few characters each. Rules.ini's entries at fault
// are shown the same way, until a read of the file finds none.
class MainStatusBar : public QStatusBar {
    Q_OBJECT

public:
    explicit MainStatusBar(QWidget* parent = nullptr);
    ~MainStatusBar() override;

    StatusField* port;
    StatusField* files;
    StatusField* network;
    StatusField* web;
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
    void showNotice(const QString& text);
    // problemText() of each entry left out; none takes them back.
    void setRuleProblems(const QStringList& problems);

    bool showsFailure() const { return !failures_.empty(); }

protected:
    void resizeEvent(QResizeEvent* event) override;
    // A failure heard before the window was shown (a file read at start)
    // gets its room here: the resize that comes with showing arrives while
    // the bar is not visible yet.
    void showEvent(QShowEvent* event) override;

private:
    void heard(const ProfileReport& report);
    void showMessage();
    void makeRoom();
    void showState(StatusField& field, const QString& text);
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
