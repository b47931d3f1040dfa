#pragma once

#include "views/Control.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

// The "Parameters" panel of contour sequences: the application-wide processing settings. The
// fields show the settings; hiding the panel stores all of them.
class SnakeParametersControl : public Control {
    Q_OBJECT
public:
    explicit SnakeParametersControl(QWidget* parent = nullptr);

    QLineEdit* GetMaxImagesEdit() const { return maxImages; }
    QLineEdit* GetMaxIterationsEdit() const { return maxIterations; }
    QCheckBox* GetReverseCheckBox() const { return reverse; }
    QLineEdit* GetSpacingEdit() const { return spacing; }
    QLineEdit* GetShrinkageEdit() const { return shrinkage; }
    QLineEdit* GetDepthEdit() const { return depth; }
    QLineEdit* GetDisplacementEdit() const { return displacement; }
    QLineEdit* GetThresholdMinEdit() const { return thresholdMin; }
    QLineEdit* GetThresholdMaxEdit() const { return thresholdMax; }
    QComboBox* GetBackgroundCombo() const { return background; }

    // Shows every setting in its field, the check box and the combo box.
    void Refresh();
    // Reads every field (text that is no number counts as 0), stores the values in the settings
    // and the shared contour parameters, and writes them to the settings file.
    void ApplyParameters();

protected:
    void hideEvent(QHideEvent* event) override;

private:
    QLineEdit* maxImages;
    QLineEdit* maxIterations;
    QCheckBox* reverse;
    QLineEdit* spacing;
    QLineEdit* shrinkage;
    QLineEdit* depth;
    QLineEdit* displacement;
    QLineEdit* thresholdMin;
    QLineEdit* thresholdMax;
    QComboBox* background;
};
