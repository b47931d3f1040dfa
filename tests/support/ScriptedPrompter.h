#pragma once

#include "model/Prompter.h"

#include <QList>
#include <QMessageBox>
#include <QPointer>
#include <deque>
#include <functional>

// The test double of the Prompter: records every question the program asks and answers from
// queues the test fills. An empty queue answers as a user who closes the dialog would: Cancel
// (or the box's only button), an empty file name, a cancelled input box, an invalid colour and a
// rejected dialog.
class ScriptedPrompter : public Prompter {
public:
    enum class Kind { Warning, Information, Question, OpenFile, SaveFile, Text, Color, Exec };

    struct Call {
        Kind kind;
        QString title;                        // the title, or the file dialog's caption, or the dialog's window title
        QString text;                         // the message, or the input box's label
        QString filter;                       // file dialogs
        QString initial;                      // the start directory, initial text, or initial colour's name
        QMessageBox::StandardButtons buttons; // message boxes
        QPointer<QDialog> dialog;             // Exec
    };

    // Answers a dialog: may fill its widgets and returns the result code (QDialog::Accepted, ...);
    // or closes the dialog itself (clicks its OK button), and then the dialog's result counts.
    using DialogHandler = std::function<int(QDialog*)>;

    ScriptedPrompter() = default;

    // Queues.
    void AddButton(QMessageBox::StandardButton button) { buttons.push_back(button); }
    // A file dialog's answer; a save dialog reports `filter` as the chosen one (the first entry
    // of its filter when empty, as a dialog left at its default would).
    void AddFileName(const QString& path, const QString& filter = QString()) { fileNames.push_back({path, filter}); }
    void AddText(const QString& text) { texts.push_back(text); } // an accepted input box
    void AddColor(const QColor& color) { colors.push_back(color); }
    void AddDialogResult(int result);
    void AddDialogHandler(DialogHandler handler) { dialogs.push_back(std::move(handler)); }

    const QList<Call>& Calls() const { return calls; }
    int Count(Kind kind) const;
    const Call& Last() const { return calls.last(); }
    void ClearCalls() { calls.clear(); }

    int Warning(QWidget* parent, const QString& title, const QString& text, Buttons buttons) override;
    int Information(QWidget* parent, const QString& title, const QString& text, Buttons buttons) override;
    int Question(QWidget* parent, const QString& title, const QString& text, Buttons buttons) override;
    QString GetOpenFileName(
        QWidget* parent, const QString& caption, const QString& dir, const QString& filter) override;
    QString GetSaveFileName(QWidget* parent, const QString& caption, const QString& dir, const QString& filter,
        QString* selectedFilter) override;
    bool GetText(
        QWidget* parent, const QString& title, const QString& label, const QString& initial, QString* answer) override;
    QColor GetColor(const QColor& initial, QWidget* parent, const QString& title) override;
    int Exec(QDialog* dialog) override;

private:
    int Box(Kind kind, const QString& title, const QString& text, Buttons buttons);
    QString FileName(Kind kind, const QString& caption, const QString& dir, const QString& filter,
        QString* selectedFilter = nullptr);

    QList<Call> calls;
    std::deque<QMessageBox::StandardButton> buttons;
    std::deque<std::pair<QString, QString>> fileNames; // path, chosen filter
    std::deque<QString> texts;
    std::deque<QColor> colors;
    std::deque<DialogHandler> dialogs;
};

// Installs a ScriptedPrompter for its lifetime and restores the previous prompter afterwards.
class ScopedPrompter {
public:
    ScopedPrompter();
    ~ScopedPrompter();
    ScopedPrompter(const ScopedPrompter&) = delete;
    ScopedPrompter& operator=(const ScopedPrompter&) = delete;

    ScriptedPrompter* operator->() { return &prompter; }
    ScriptedPrompter& operator*() { return prompter; }

private:
    ScriptedPrompter prompter;
    Prompter* previous;
};
