#include "Prompter.h"

#include <QColorDialog>
#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>

namespace {
Prompter defaultPrompter;
Prompter* current = &defaultPrompter;
} // namespace

Prompter::~Prompter()
{
    if (current == this)
        current = &defaultPrompter;
}

QMessageBox::StandardButton Prompter::Warning(
    QWidget* parent, const QString& title, const QString& text, QMessageBox::StandardButtons buttons)
{
    return QMessageBox::warning(parent, title, text, buttons);
}

QMessageBox::StandardButton Prompter::Information(
    QWidget* parent, const QString& title, const QString& text, QMessageBox::StandardButtons buttons)
{
    return QMessageBox::information(parent, title, text, buttons);
}

QMessageBox::StandardButton Prompter::Question(
    QWidget* parent, const QString& title, const QString& text, QMessageBox::StandardButtons buttons)
{
    return QMessageBox::question(parent, title, text, buttons);
}

QString Prompter::GetOpenFileName(QWidget* parent, const QString& caption, const QString& dir, const QString& filter)
{
    return QFileDialog::getOpenFileName(parent, caption, dir, filter);
}

QString Prompter::GetSaveFileName(
    QWidget* parent, const QString& caption, const QString& dir, const QString& filter, QString* selectedFilter)
{
    return QFileDialog::getSaveFileName(parent, caption, dir, filter, selectedFilter);
}

bool Prompter::GetText(
    QWidget* parent, const QString& title, const QString& label, const QString& initial, QString* answer)
{
    bool ok = false;
    const QString text = QInputDialog::getText(parent, title, label, QLineEdit::Normal, initial, &ok);
    if (ok && answer)
        *answer = text;
    return ok;
}

QColor Prompter::GetColor(const QColor& initial, QWidget* parent, const QString& title)
{
    return QColorDialog::getColor(initial, parent, title);
}

int Prompter::Exec(QDialog* dialog)
{
    return dialog->exec();
}

Prompter& Prompter::Current()
{
    return *current;
}

void Prompter::SetCurrent(Prompter* prompter)
{
    current = prompter ? prompter : &defaultPrompter;
}
