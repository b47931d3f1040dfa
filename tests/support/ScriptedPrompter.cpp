#include "ScriptedPrompter.h"

#include <QDialog>

namespace {
// The answer of a message box closed with Escape: Cancel when it has that button, its only
// button when it has one, otherwise No when it has that button.
QMessageBox::StandardButton EscapeAnswer(QMessageBox::StandardButtons buttons)
{
    if (buttons & QMessageBox::Cancel)
        return QMessageBox::Cancel;
    const int raw = int(buttons);
    if (raw != 0 && (raw & (raw - 1)) == 0)
        return QMessageBox::StandardButton(raw);
    if (buttons & QMessageBox::No)
        return QMessageBox::No;
    return QMessageBox::NoButton;
}
} // namespace

void ScriptedPrompter::AddDialogResult(int result)
{
    dialogs.push_back([result](QDialog*) { return result; });
}

int ScriptedPrompter::Count(Kind kind) const
{
    int n = 0;
    for (const Call& call : calls)
        n += call.kind == kind ? 1 : 0;
    return n;
}

QMessageBox::StandardButton ScriptedPrompter::Box(
    Kind kind, const QString& title, const QString& text, QMessageBox::StandardButtons boxButtons)
{
    calls.append(Call{kind, title, text, QString(), QString(), boxButtons, nullptr});
    if (buttons.empty())
        return EscapeAnswer(boxButtons);
    const QMessageBox::StandardButton answer = buttons.front();
    buttons.pop_front();
    return answer;
}

QMessageBox::StandardButton ScriptedPrompter::Warning(
    QWidget*, const QString& title, const QString& text, QMessageBox::StandardButtons boxButtons)
{
    return Box(Kind::Warning, title, text, boxButtons);
}

QMessageBox::StandardButton ScriptedPrompter::Information(
    QWidget*, const QString& title, const QString& text, QMessageBox::StandardButtons boxButtons)
{
    return Box(Kind::Information, title, text, boxButtons);
}

QMessageBox::StandardButton ScriptedPrompter::Question(
    QWidget*, const QString& title, const QString& text, QMessageBox::StandardButtons boxButtons)
{
    return Box(Kind::Question, title, text, boxButtons);
}

QString ScriptedPrompter::FileName(
    Kind kind, const QString& caption, const QString& dir, const QString& filter, QString* selectedFilter)
{
    calls.append(Call{kind, caption, QString(), filter, dir, {}, nullptr});
    if (fileNames.empty())
        return QString();
    const auto answer = fileNames.front();
    fileNames.pop_front();
    if (selectedFilter)
        *selectedFilter = answer.second.isEmpty() ? filter.split(";;").value(0) : answer.second;
    return answer.first;
}

QString ScriptedPrompter::GetOpenFileName(QWidget*, const QString& caption, const QString& dir, const QString& filter)
{
    return FileName(Kind::OpenFile, caption, dir, filter);
}

QString ScriptedPrompter::GetSaveFileName(
    QWidget*, const QString& caption, const QString& dir, const QString& filter, QString* selectedFilter)
{
    return FileName(Kind::SaveFile, caption, dir, filter, selectedFilter);
}

bool ScriptedPrompter::GetText(
    QWidget*, const QString& title, const QString& label, const QString& initial, QString* answer)
{
    calls.append(Call{Kind::Text, title, label, QString(), initial, {}, nullptr});
    if (texts.empty())
        return false;
    if (answer)
        *answer = texts.front();
    texts.pop_front();
    return true;
}

QColor ScriptedPrompter::GetColor(const QColor& initial, QWidget*, const QString& title)
{
    calls.append(
        Call{Kind::Color, title, QString(), QString(), initial.isValid() ? initial.name() : QString(), {}, nullptr});
    if (colors.empty())
        return QColor();
    const QColor answer = colors.front();
    colors.pop_front();
    return answer;
}

int ScriptedPrompter::Exec(QDialog* dialog)
{
    calls.append(Call{Kind::Exec, dialog->windowTitle(), QString(), QString(), QString(), {}, dialog});
    if (dialogs.empty())
        return QDialog::Rejected;
    const DialogHandler handler = std::move(dialogs.front());
    dialogs.pop_front();
    // A handler may close the dialog itself (by clicking its OK or Cancel button): then the
    // dialog's own result is the answer. Otherwise the dialog ends with the handler's answer, as
    // exec() would leave it.
    bool finished = false;
    const QMetaObject::Connection connection
        = QObject::connect(dialog, &QDialog::finished, [&finished](int) { finished = true; });
    const int result = handler(dialog);
    QObject::disconnect(connection);
    if (finished)
        return dialog->result();
    dialog->done(result);
    return result;
}

ScopedPrompter::ScopedPrompter() : previous(&Prompter::Current())
{
    Prompter::SetCurrent(&prompter);
}

ScopedPrompter::~ScopedPrompter()
{
    // Scopes end in the reverse order of their start; a scope that is no longer current (another
    // one started after it and is still alive) leaves the current prompter alone.
    if (&Prompter::Current() == &prompter)
        Prompter::SetCurrent(previous);
}
