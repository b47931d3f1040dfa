#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;

// The progress bar and its label in the main window's status bar.
class ProgressBarWidget : public QWidget {
    Q_OBJECT
public:
    explicit ProgressBarWidget(QWidget* parent = nullptr);

    void SetBusy(); // range 0..0, the indeterminate animation
    void SetMaximum(int max);
    void SetValue(int value);
    void SetText(const QString& text); // repainted at once
    QProgressBar* Bar() const { return bar; }
    QLabel* Label() const { return label; }

private:
    QProgressBar* bar;
    QLabel* label;
};
