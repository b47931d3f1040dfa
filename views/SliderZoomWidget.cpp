#include "views/SliderZoomWidget.h"

#include "views/ToolTipSlider.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>

namespace {

QLabel* MakeNumberLabel(QWidget* parent)
{
    auto* label = new QLabel(QStringLiteral("0"), parent);
    label->setFixedWidth(SliderZoomWidget::LabelWidth);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

} // namespace

SliderZoomWidget::SliderZoomWidget(QWidget* parent) : QWidget(parent)
{
    setMaximumHeight(MaxBarHeight);

    valueLabel = MakeNumberLabel(this);
    slider = new ToolTipSlider(this);
    maximumLabel = MakeNumberLabel(this);
    zoomSpinBox = new QSpinBox(this);
    zoomSpinBox->setRange(MinZoomPercent, MaxZoomPercent);
    zoomSpinBox->setValue(100);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(valueLabel);
    layout->addWidget(slider);
    layout->addWidget(maximumLabel);
    layout->addWidget(zoomSpinBox);

    connect(slider, &QSlider::valueChanged, this, &SliderZoomWidget::onSliderValueChanged);
    connect(slider, &QSlider::rangeChanged, this, &SliderZoomWidget::onSliderRangeChanged);
    onSliderValueChanged(slider->value());
    onSliderRangeChanged(slider->minimum(), slider->maximum());
}

void SliderZoomWidget::onSliderValueChanged(int value)
{
    valueLabel->setText(QString::number(value));
}

void SliderZoomWidget::onSliderRangeChanged(int, int maximum)
{
    maximumLabel->setText(QString::number(maximum));
}
