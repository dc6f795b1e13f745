#include <QApplication>
#include <QMainWindow>
#include <QMessageBox>

#include <cstdio>
#include <cstdlib>

#include "port/port_stack.h"

namespace {

// A port that cannot be opened ends the program at once, before anything has
// been written to either file.
[[noreturn]] void endForPort(const kavtra::PortFailure& failure) {
    std::fprintf(stderr, "kavtra: %s\n", failure.message.c_str());
    QMessageBox::critical(nullptr, QStringLiteral("Кавтра"), QString::fromStdString(failure.message));
    std::_Exit(1);
}

}  // namespace

// Until the main window exists the program only opens an empty window.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const std::unique_ptr<kavtra::PortStack> port = kavtra::buildPortStack(kavtra::portEnvironment(), endForPort);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Кавтра"));
    window.show();
    return app.exec();
}
