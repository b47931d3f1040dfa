#pragma once

#include <QColor>
#include <QMessageBox>
#include <QString>

class QDialog;
class QWidget;

// Every modal question, message box, input box, file dialog, colour dialog and dialog exec() of
// the program goes through the current Prompter. The default shows the real Qt dialogs; tests
// install a double that records what was asked and answers from a script.
class Prompter {
public:
    virtual ~Prompter();

    virtual QMessageBox::StandardButton Warning(QWidget* parent, const QString& title, const QString& text,
        QMessageBox::StandardButtons buttons = QMessageBox::Ok);
    virtual QMessageBox::StandardButton Information(QWidget* parent, const QString& title, const QString& text,
        QMessageBox::StandardButtons buttons = QMessageBox::Ok);
    virtual QMessageBox::StandardButton Question(QWidget* parent, const QString& title, const QString& text,
        QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No);
    virtual QString GetOpenFileName(QWidget* parent, const QString& caption, const QString& dir, const QString& filter);
    // `selectedFilter`, when given, receives the filter entry the user chose.
    virtual QString GetSaveFileName(QWidget* parent, const QString& caption, const QString& dir, const QString& filter,
        QString* selectedFilter = nullptr);
    // An input box; returns false when cancelled.
    virtual bool GetText(
        QWidget* parent, const QString& title, const QString& label, const QString& initial, QString* answer);
    // Returns an invalid colour when cancelled.
    virtual QColor GetColor(const QColor& initial, QWidget* parent, const QString& title);
    // Runs a dialog modally and returns its result code.
    virtual int Exec(QDialog* dialog);

    static Prompter& Current();
    // Installs a prompter (not owned); null restores the default.
    static void SetCurrent(Prompter* prompter);
};
