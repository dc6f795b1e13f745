#include <QApplication>
#include <QMainWindow>

// Until the main window exists the program only opens an empty window.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Кавтра"));
    window.show();
    return app.exec();
}
