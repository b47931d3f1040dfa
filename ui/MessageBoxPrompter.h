#pragma once

#include "model/Prompter.h"

// The program's prompter: the real Qt message boxes, file, input and colour dialogs.
class MessageBoxPrompter : public Prompter {
public:
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

    // Makes the message boxes current unless another prompter (a test's) is installed.
    static void InstallUnlessReplaced();
};
