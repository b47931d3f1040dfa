#pragma once

#include <QWidget>

class QLabel;
class QSpinBox;
class ToolTipSlider;

// The bar below a linear view's picture: the slider value, the slider, the slider maximum and
// the zoom spin box (percent, 25 to 600).
class SliderZoomWidget : public QWidget {
    Q_OBJECT
public:
    static constexpr int MaxBarHeight = 38;
    static constexpr int LabelWidth = 24;
    static constexpr int MinZoomPercent = 25;
    static constexpr int MaxZoomPercent = 600;

    explicit SliderZoomWidget(QWidget* parent = nullptr);

    ToolTipSlider* GetSlider() const { return slider; }
    QSpinBox* GetZoomSpinBox() const { return zoomSpinBox; }
    QLabel* GetValueLabel() const { return valueLabel; }
    QLabel* GetMaximumLabel() const { return maximumLabel; }

private:
    void onSliderValueChanged(int value);
    void onSliderRangeChanged(int minimum, int maximum);

    QLabel* valueLabel;
    ToolTipSlider* slider;
    QLabel* maximumLabel;
    QSpinBox* zoomSpinBox;
};
