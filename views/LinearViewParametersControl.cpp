#include "views/LinearViewParametersControl.h"

#include "views/LinearView.h"
#include "views/ToolTipSlider.h"

#include <QGroupBox>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

LinearViewParametersControl::LinearViewParametersControl(LinearView* view, QWidget* parent)
    : ImageViewParametersControl(view, parent), linearView(view)
{
    SetName(QStringLiteral("Parameters"));

    sliderGroup = new QGroupBox(this);
    auto* groupLayout = new QVBoxLayout(sliderGroup);
    sliderLabel = new QLabel(QStringLiteral("Image number"), sliderGroup);
    slider = new ToolTipSlider(sliderGroup);
    groupLayout->addWidget(sliderLabel);
    groupLayout->addWidget(slider);
    GetLayout()->addWidget(sliderGroup);
    GetLayout()->addStretch();

    if (ToolTipSlider* own = view ? view->GetSlider() : nullptr) {
        // The tool tip shows what the view's slider would show.
        QPointer<ToolTipSlider> source(own);
        slider->SetMapping([source](int value) { return source ? source->Map(value) : double(value); });
        onSliceSliderRangeChanged(own->minimum(), own->maximum());
        onSliceSliderValueChanged(own->value());
        connect(own, &QSlider::valueChanged, this, &LinearViewParametersControl::onSliceSliderValueChanged);
        connect(own, &QSlider::rangeChanged, this, &LinearViewParametersControl::onSliceSliderRangeChanged);
    }
    connect(slider, &QSlider::valueChanged, this, &LinearViewParametersControl::onSliceSliderMoved);
}

void LinearViewParametersControl::onSliceSliderValueChanged(int value)
{
    const QSignalBlocker blocker(slider);
    slider->setValue(value);
}

void LinearViewParametersControl::onSliceSliderRangeChanged(int minimum, int maximum)
{
    const QSignalBlocker blocker(slider);
    slider->setRange(minimum, maximum);
}

void LinearViewParametersControl::onSliceSliderMoved(int value)
{
    if (!linearView)
        return;
    ToolTipSlider* own = linearView->GetSlider();
    if (own && own->value() != value)
        own->setValue(value);
}
