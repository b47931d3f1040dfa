#pragma once

#include <QMainWindow>

// A separate top-level window (the histogram window). It tells the main window when the user
// closes it.
class AuxWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit AuxWindow(QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
};
