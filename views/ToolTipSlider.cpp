#include "views/ToolTipSlider.h"

#include <QMouseEvent>
#include <QToolTip>
#include <utility>

ToolTipSlider::ToolTipSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent)
{
    setRange(0, 1);
    setPageStep(1);
}

void ToolTipSlider::SetMapping(Mapping function)
{
    mapping = std::move(function);
}

double ToolTipSlider::Map(int value) const
{
    return mapping ? mapping(value) : double(value);
}

QString ToolTipSlider::ToolTipText() const
{
    return QString::number(MappedValue(), 'g', 6);
}

void ToolTipSlider::mousePressEvent(QMouseEvent* event)
{
    QSlider::mousePressEvent(event);
    ShowValueTip(event->globalPos());
}

void ToolTipSlider::mouseMoveEvent(QMouseEvent* event)
{
    QSlider::mouseMoveEvent(event);
    if (isSliderDown())
        ShowValueTip(event->globalPos());
}

void ToolTipSlider::ShowValueTip(const QPoint& globalPosition)
{
    QToolTip::showText(globalPosition, ToolTipText(), this);
}
