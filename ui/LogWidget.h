#pragma once

#include <QTextEdit>

// The read-only log pane. Every line is "> ", optionally the date and time
// ("dd.MM.yy hh:mm:ss : "), then the text.
class LogWidget : public QTextEdit {
    Q_OBJECT
public:
    explicit LogWidget(QWidget* parent = nullptr);

    void Output(const QString& text, bool dateTime = false);
    void Error(const QString& text);   // "ERROR: " + text, dated
    void Warning(const QString& text); // "WARNING: " + text, dated
};
