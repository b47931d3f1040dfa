#pragma once

#include <QString>

// Log and progress reporting for code that must not depend on widgets (stacks, file readers,
// processing). The main window installs itself as the sink; without a sink, log lines go to
// standard error and progress calls do nothing.
namespace Log {

class Sink {
public:
    virtual ~Sink();
    virtual void Output(const QString& text, bool dateTime) = 0;
    virtual void Error(const QString& text) = 0;
    virtual void Warning(const QString& text) = 0;
    virtual void ShowProgress() = 0;
    virtual void HideProgress() = 0;
    virtual void SetProgressText(const QString& text) = 0; // repainted at once
    virtual void SetProgressBusy() = 0;
    virtual void SetProgressMaximum(int max) = 0;
    virtual void SetProgressValue(int value) = 0;
};

void SetSink(Sink* sink); // not owned; null removes it
Sink* CurrentSink();

void Output(const QString& text, bool dateTime = false);
void Error(const QString& text);
void Warning(const QString& text);

// Shows the progress display for its lifetime (hidden again on every path out of a scope).
// Nested objects share the one display, which hides when the outermost one ends.
class Progress {
public:
    explicit Progress(const QString& text = QString());
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;
    void SetText(const QString& text);
    void SetBusy();
    void SetMaximum(int max);
    void SetValue(int value);
};

} // namespace Log
