#pragma once

#include <QColor>
#include <QString>

class QDialog;
class QWidget;

// Every modal question, message box, input box, file dialog, colour dialog and dialog exec() of
// the program goes through the current Prompter. The window installs one that shows the real Qt
// dialogs; tests install a double that records what was asked and answers from a script. Until
// one is installed, every question is answered as a user closing the dialog would.
class Prompter {
public:
    // Buttons and answers are QMessageBox::StandardButton values, held as numbers so that the
    // object model needs no widget header.
    using Buttons = int;
    static constexpr Buttons Ok = 0x00000400;
    static constexpr Buttons Yes = 0x00004000;
    static constexpr Buttons No = 0x00010000;

    virtual ~Prompter();

    virtual int Warning(QWidget* parent, const QString& title, const QString& text, Buttons buttons = Ok);
    virtual int Information(QWidget* parent, const QString& title, const QString& text, Buttons buttons = Ok);
    virtual int Question(QWidget* parent, const QString& title, const QString& text, Buttons buttons = Yes | No);
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

    // The answer of a message box closed with Escape: Cancel when it has that button, its only
    // button when it has one, otherwise No when it has that button.
    static int EscapeAnswer(Buttons buttons);

    static Prompter& Current();
    // Installs a prompter (not owned); null restores the one that answers like a closed dialog.
    static void SetCurrent(Prompter* prompter);
};
