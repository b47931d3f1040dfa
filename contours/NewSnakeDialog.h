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

    // Reads both fields: the size is a whole number greater than 0, the spacing any number
    // greater than 0. False, with the message for the user in `error`, when a field holds
    // anything else; the outputs are then left alone.
    bool Read(int* size, float* spacing, QString* error) const;

    QLineEdit* GetSizeEdit() const { return sizeEdit; }
    QLineEdit* GetSpacingEdit() const { return spacingEdit; }

    static QString Title() { return QStringLiteral("New active contour"); }

public slots:
    // OK closes the dialog only when both fields read; otherwise the user is told why.
    void accept() override;

private:
    QLineEdit* sizeEdit;
    QLineEdit* spacingEdit;
};
