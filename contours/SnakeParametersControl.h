#pragma once

#include "views/Control.h"

#include <QString>
#include <array>

class QCheckBox;
class QComboBox;
class QLineEdit;

// The "Parameters" panel of contour sequences: the application-wide processing settings. Every
// time the panel is shown its fields show the settings; hiding it stores the fields the user
// changed, and only those.
class SnakeParametersControl : public Control {
    Q_OBJECT
public:
    explicit SnakeParametersControl(QWidget* parent = nullptr);

    QLineEdit* GetMaxImagesEdit() const { return edits[MaxImages]; }
    QLineEdit* GetMaxIterationsEdit() const { return edits[MaxIterations]; }
    QCheckBox* GetReverseCheckBox() const { return reverse; }
    QLineEdit* GetSpacingEdit() const { return edits[Spacing]; }
    QLineEdit* GetShrinkageEdit() const { return edits[Shrinkage]; }
    QLineEdit* GetDepthEdit() const { return edits[Depth]; }
    QLineEdit* GetDisplacementEdit() const { return edits[Displacement]; }
    QLineEdit* GetThresholdMinEdit() const { return edits[ThresholdMin]; }
    QLineEdit* GetThresholdMaxEdit() const { return edits[ThresholdMax]; }
    QComboBox* GetBackgroundCombo() const { return background; }

    // Shows every setting in its field, the check box and the combo box.
    void Refresh();
    // Stores each field that no longer shows what Refresh put there (text that is no number
    // counts as 0) in the settings and the shared contour parameters and writes the parameters
    // to the settings file; with no such field nothing is stored or written. The fields show the
    // settings afterwards. True when something was stored.
    bool ApplyParameters();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    enum Field {
        MaxImages,
        MaxIterations,
        Reverse,
        Spacing,
        Shrinkage,
        Depth,
        Displacement,
        ThresholdMin,
        ThresholdMax,
        Background,
        FieldCount
    };

    // A field's value as text: what the settings say, and what the widget holds (the check box
    // as "1" or "0", the combo box as its index).
    QString SettingText(Field field) const;
    QString FieldText(Field field) const;
    void SetFieldText(Field field, const QString& text);
    void StoreField(Field field) const;

    std::array<QLineEdit*, FieldCount> edits{}; // null for the check box and the combo box
    QCheckBox* reverse = nullptr;
    QComboBox* background = nullptr;
    std::array<QString, FieldCount> shown; // what Refresh put in each field
};
