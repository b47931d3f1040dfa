#pragma once

#include "views/ImageViewParametersControl.h"

#include <QPointer>

class LinearView;
class QGroupBox;
class QLabel;
class ToolTipSlider;

// "Parameters" of a linear view: the tools and colours, and an "Image number" slider that
// mirrors the slider below the view's picture, so the slice can be chosen from either.
class LinearViewParametersControl : public ImageViewParametersControl {
    Q_OBJECT
public:
    explicit LinearViewParametersControl(LinearView* view, QWidget* parent = nullptr);

    ToolTipSlider* GetSlider() const { return slider; }
    QLabel* GetSliderLabel() const { return sliderLabel; }

public slots:
    // The view's own slider moved or got a new range.
    void onSliceSliderValueChanged(int value);
    void onSliceSliderRangeChanged(int minimum, int maximum);
    // This panel's slider moved: the view's slider follows.
    void onSliceSliderMoved(int value);

private:
    QPointer<LinearView> linearView;
    QGroupBox* sliderGroup;
    QLabel* sliderLabel;
    ToolTipSlider* slider;
};
