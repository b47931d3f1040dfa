#include "ScriptedPrompter.h"

#include <QDialog>
#include <QMessageBox>

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

int ScriptedPrompter::Box(Kind kind, const QString& title, const QString& text, Buttons boxButtons)
{
    calls.append(Call{kind, title, text, QString(), QString(),
        QMessageBox::StandardButtons(QMessageBox::StandardButton(boxButtons)), nullptr});
    if (buttons.empty())
        return EscapeAnswer(boxButtons);
    const int answer = buttons.front();
    buttons.pop_front();
    return answer;
}

int ScriptedPrompter::Warning(QWidget*, const QString& title, const QString& text, Buttons boxButtons)
{
    return Box(Kind::Warning, title, text, boxButtons);
}

int ScriptedPrompter::Information(QWidget*, const QString& title, const QString& text, Buttons boxButtons)
{
    return Box(Kind::Information, title, text, boxButtons);
}

int ScriptedPrompter::Question(QWidget*, const QString& title, const QString& text, Buttons boxButtons)
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
