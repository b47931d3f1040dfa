#pragma once

#include <QColor>
#include <QPushButton>
#include <QString>

// A button that shows a colour as its background; a click lets the user pick another one.
class ColorPreviewWidget : public QPushButton {
    Q_OBJECT
public:
    ColorPreviewWidget(const QColor& color, const QString& text, QWidget* parent = nullptr);

    QColor GetColor() const { return color; }
    // Shows another colour without asking and without colorChanged.
    void SetColor(const QColor& newColor);
    // The style sheet that shows a colour as the button's background.
    static QString StyleSheet(const QColor& color);

signals:
    void colorChanged(QColor color);

public slots:
    // Opens the colour dialog "Color picker" with the current colour; a valid choice becomes the
    // colour and is announced, a cancelled dialog changes nothing.
    void onClicked();

private:
    QColor color;
};
