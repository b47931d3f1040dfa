#include "ProgressBarWidget.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>

ProgressBarWidget::ProgressBarWidget(QWidget* parent) : QWidget(parent), bar(new QProgressBar), label(new QLabel)
{
    bar->setMaximumWidth(300);
    bar->setMinimumHeight(30);
    label->setMinimumHeight(30);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 0, 0, 0);
    layout->addWidget(bar);
    layout->addWidget(label);
    layout->addStretch();
}

void ProgressBarWidget::SetBusy()
{
    bar->setRange(0, 0);
}

void ProgressBarWidget::SetMaximum(int max)
{
    bar->setMaximum(max);
}

void ProgressBarWidget::SetValue(int value)
{
    bar->setValue(value);
}

void ProgressBarWidget::SetText(const QString& text)
{
    label->setText(text);
    // Long operations run on the GUI thread: the text must show before the work starts.
    label->repaint();
}
