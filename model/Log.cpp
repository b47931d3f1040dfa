#include "model/Log.h"

#include <QDateTime>
#include <cstdio>

namespace {
Log::Sink* currentSink = nullptr;
int progressDepth = 0; // Progress objects alive; the display shows while there is at least one

// Without a sink the lines go to standard error, formatted as the log pane shows them.
void PrintLine(const QString& text, bool dateTime)
{
    QString line = QStringLiteral("> ");
    if (dateTime)
        line += QDateTime::currentDateTime().toString(QStringLiteral("dd.MM.yy hh:mm:ss : "));
    line += text;
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
}
} // namespace

Log::Sink::~Sink()
{
    // A sink that goes away stops receiving: nothing may call a destroyed window.
    if (currentSink == this)
        currentSink = nullptr;
}

void Log::SetSink(Sink* sink)
{
    currentSink = sink;
}

Log::Sink* Log::CurrentSink()
{
    return currentSink;
}

void Log::Output(const QString& text, bool dateTime)
{
    if (currentSink)
        currentSink->Output(text, dateTime);
    else
        PrintLine(text, dateTime);
}

void Log::Error(const QString& text)
{
    if (currentSink)
        currentSink->Error(text);
    else
        PrintLine(QStringLiteral("ERROR: ") + text, true);
}

void Log::Warning(const QString& text)
{
    if (currentSink)
        currentSink->Warning(text);
    else
        PrintLine(QStringLiteral("WARNING: ") + text, true);
}

Log::Progress::Progress(const QString& text)
{
    if (progressDepth++ == 0 && currentSink)
        currentSink->ShowProgress();
    if (!text.isEmpty())
        SetText(text);
}

Log::Progress::~Progress()
{
    if (--progressDepth == 0 && currentSink)
        currentSink->HideProgress();
}

void Log::Progress::SetText(const QString& text)
{
    if (currentSink)
        currentSink->SetProgressText(text);
}

void Log::Progress::SetBusy()
{
    if (currentSink)
        currentSink->SetProgressBusy();
}

void Log::Progress::SetMaximum(int max)
{
    if (currentSink)
        currentSink->SetProgressMaximum(max);
}

void Log::Progress::SetValue(int value)
{
    if (currentSink)
        currentSink->SetProgressValue(value);
}
