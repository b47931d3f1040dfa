#pragma once

#include <QDialog>

class QSpinBox;

// Asks for a width and a height in pixels (1 to MaxSize each).
class SizeDialog : public QDialog {
    Q_OBJECT
public:
    explicit SizeDialog(QWidget* parent = nullptr);

    static constexpr int MaxSize = 32768;
    static constexpr int DefaultSize = 512;

    void SetSize(int width, int height);
    int GetWidth() const;
    int GetHeight() const;

private:
    QSpinBox* widthBox;
    QSpinBox* heightBox;
};
