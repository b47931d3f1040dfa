#include "ui/MessageBoxPrompter.h"

#include <QColorDialog>
#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <typeinfo>

namespace {
MessageBoxPrompter messageBoxes;

QMessageBox::StandardButtons ButtonsOf(Prompter::Buttons buttons)
{
    return QMessageBox::StandardButtons(QMessageBox::StandardButton(buttons));
}
} // namespace

void MessageBoxPrompter::InstallUnlessReplaced()
{
    // Only the prompter of closed dialogs is replaced; a test's stays.
    Prompter& current = Prompter::Current();
    if (typeid(current) == typeid(Prompter))
        Prompter::SetCurrent(&messageBoxes);
}

int MessageBoxPrompter::Warning(QWidget* parent, const QString& title, const QString& text, Buttons buttons)
{
    return QMessageBox::warning(parent, title, text, ButtonsOf(buttons));
}

int MessageBoxPrompter::Information(QWidget* parent, const QString& title, const QString& text, Buttons buttons)
{
    return QMessageBox::information(parent, title, text, ButtonsOf(buttons));
}

int MessageBoxPrompter::Question(QWidget* parent, const QString& title, const QString& text, Buttons buttons)
{
    return QMessageBox::question(parent, title, text, ButtonsOf(buttons));
}

QString MessageBoxPrompter::GetOpenFileName(
    QWidget* parent, const QString& caption, const QString& dir, const QString& filter)
{
    return QFileDialog::getOpenFileName(parent, caption, dir, filter);
}

QString MessageBoxPrompter::GetSaveFileName(
    QWidget* parent, const QString& caption, const QString& dir, const QString& filter, QString* selectedFilter)
{
    return QFileDialog::getSaveFileName(parent, caption, dir, filter, selectedFilter);
}

bool MessageBoxPrompter::GetText(
    QWidget* parent, const QString& title, const QString& label, const QString& initial, QString* answer)
{
    bool ok = false;
    const QString text = QInputDialog::getText(parent, title, label, QLineEdit::Normal, initial, &ok);
    if (ok && answer)
        *answer = text;
    return ok;
}

QColor MessageBoxPrompter::GetColor(const QColor& initial, QWidget* parent, const QString& title)
{
    return QColorDialog::getColor(initial, parent, title);
}

int MessageBoxPrompter::Exec(QDialog* dialog)
{
    return dialog ? dialog->exec() : QDialog::Rejected;
}
