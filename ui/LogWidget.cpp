#include "LogWidget.h"

#include <QDateTime>
#include <QScrollBar>

LogWidget::LogWidget(QWidget* parent) : QTextEdit(parent)
{
    setReadOnly(true);
    setStyleSheet(QString());
}

void LogWidget::Output(const QString& text, bool dateTime)
{
    QString line = QStringLiteral("> ");
    if (dateTime)
        line += QDateTime::currentDateTime().toString(QStringLiteral("dd.MM.yy hh:mm:ss : "));
    line += text;
    line += QLatin1Char('\n');
    // The whole text is set again, so the pane stays plain text whatever the line contains.
    setPlainText(toPlainText() + line);
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(bar->maximum());
    update();
}

void LogWidget::Error(const QString& text)
{
    Output(QStringLiteral("ERROR: ") + text, true);
}

void LogWidget::Warning(const QString& text)
{
    Output(QStringLiteral("WARNING: ") + text, true);
}
