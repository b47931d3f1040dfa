#pragma once

#include <QDialog>

class QDoubleSpinBox;
class QGroupBox;
class QPushButton;
class QSpinBox;

// Asks for the three factors by which a stack is scaled. For a stack whose slices all have one
// size the dialog also shows the stack's size and resolution, for information only.
class ScaleDialog : public QDialog {
    Q_OBJECT
public:
    // What the dialog shows of the stack.
    struct StackInfo {
        bool fixedSize = false; // an ImageStack (all slices of one size)
        int width = 0;
        int height = 0;
        int slices = 0;
        double xres = 0.0; // resolutions as reals
        double yres = 0.0;
        double zres = 0.0;
    };

    // Ranges: factors 0.01 to 100 (start 1.0, 3 decimals), sizes 0 to 1,000,000, resolutions
    // 0 to 1e9 with 6 decimals.
    static constexpr double MinFactor = 0.01;
    static constexpr double MaxFactor = 100.0;
    static constexpr int MaxSize = 1000000;
    static constexpr double MaxResolution = 1e9;

    // Without a fixed-size stack every box is empty and enabled. With one, the size and
    // resolution boxes are filled, and the size group and all three resolution boxes are
    // disabled: scaling keeps the stack's x and y resolution and its spacing, so these boxes are
    // information, not input. The factor boxes stay enabled (a fixed-size stack scales in all
    // three directions).
    ScaleDialog(QWidget* parent, const StackInfo& stack);
    explicit ScaleDialog(QWidget* parent = nullptr);

    double GetFactorX() const;
    double GetFactorY() const;
    double GetFactorZ() const;
    int GetSizeX() const;
    int GetSizeY() const;
    int GetSizeZ() const;
    double GetResX() const;
    double GetResY() const;
    double GetResZ() const;

private:
    QDoubleSpinBox* spinBoxFactX;
    QDoubleSpinBox* spinBoxFactY;
    QDoubleSpinBox* spinBoxFactZ;
    QGroupBox* groupBoxSize;
    QSpinBox* spinBoxSizeX;
    QSpinBox* spinBoxSizeY;
    QSpinBox* spinBoxSizeZ;
    QGroupBox* groupBoxRes;
    QDoubleSpinBox* spinBoxResX;
    QDoubleSpinBox* spinBoxResY;
    QDoubleSpinBox* spinBoxResZ;
    QPushButton* okButton;
    QPushButton* cancelButton;
};
