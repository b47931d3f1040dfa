#include "model/Prompter.h"

namespace {
constexpr int CancelButton = 0x00400000;
constexpr int RejectedResult = 0;

Prompter closedDialogs;
Prompter* current = &closedDialogs;
} // namespace

Prompter::~Prompter()
{
    if (current == this)
        current = &closedDialogs;
}

int Prompter::EscapeAnswer(Buttons buttons)
{
    if (buttons & CancelButton)
        return CancelButton;
    if (buttons != 0 && (buttons & (buttons - 1)) == 0)
        return buttons;
    return buttons & No ? No : 0;
}

int Prompter::Warning(QWidget*, const QString&, const QString&, Buttons buttons)
{
    return EscapeAnswer(buttons);
}

int Prompter::Information(QWidget*, const QString&, const QString&, Buttons buttons)
{
    return EscapeAnswer(buttons);
}

int Prompter::Question(QWidget*, const QString&, const QString&, Buttons buttons)
{
    return EscapeAnswer(buttons);
}

QString Prompter::GetOpenFileName(QWidget*, const QString&, const QString&, const QString&)
{
    return QString();
}

QString Prompter::GetSaveFileName(QWidget*, const QString&, const QString&, const QString&, QString*)
{
    return QString();
}

bool Prompter::GetText(QWidget*, const QString&, const QString&, const QString&, QString*)
{
    return false;
}

QColor Prompter::GetColor(const QColor&, QWidget*, const QString&)
{
    return QColor();
}

int Prompter::Exec(QDialog*)
{
    return RejectedResult;
}

Prompter& Prompter::Current()
{
    return *current;
}

void Prompter::SetCurrent(Prompter* prompter)
{
    current = prompter ? prompter : &closedDialogs;
}
