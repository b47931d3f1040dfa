#include "app/Version.h"

#include <QApplication>
#include <QMainWindow>
#include <QTimer>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QMainWindow window;
    window.setWindowTitle("Lumivox " + VersionText());
    window.show();
    // Until the main window has content there is nothing to do: show it briefly and close.
    QTimer::singleShot(1000, &window, &QWidget::close);
    return application.exec();
}
