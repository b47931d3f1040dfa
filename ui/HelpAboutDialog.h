#pragma once

#include <QDialog>

class QLabel;

// The about box: the program's version and the credits of the libraries and icons it uses.
class HelpAboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit HelpAboutDialog(QWidget* parent = nullptr);

    static QString CreditsText();

private:
    QLabel* mainLabel;
};
