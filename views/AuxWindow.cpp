#include "views/AuxWindow.h"

#include <QCloseEvent>

AuxWindow::AuxWindow(QWidget* parent, Qt::WindowFlags flags) : QMainWindow(parent, flags)
{
}

void AuxWindow::closeEvent(QCloseEvent* event)
{
    emit closed();
    event->accept();
}
