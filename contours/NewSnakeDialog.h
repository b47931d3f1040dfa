#pragma once

#include <QDialog>

class QLineEdit;

// Asks for the size (diameter) and the node spacing of a new active contour. The fields start
// with the settings: the size as an integer, the spacing (the optimal spacing of the contour
// parameters) as a general number with 6 significant digits.
class NewSnakeDialog : public QDialog {
    Q_OBJECT
public:
    explicit NewSnakeDialog(QWidget* parent = nullptr);

    // The fields read as integers; text that is not a number reads as 0.
    int GetSize() const;
    int GetSpacing() const;

    QLineEdit* GetSizeEdit() const { return sizeEdit; }
    QLineEdit* GetSpacingEdit() const { return spacingEdit; }

private:
    QLineEdit* sizeEdit;
    QLineEdit* spacingEdit;
};
