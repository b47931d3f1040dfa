#include "views/ColorPreviewWidget.h"

#include "model/Prompter.h"

ColorPreviewWidget::ColorPreviewWidget(const QColor& color, const QString& text, QWidget* parent)
    : QPushButton(text, parent), color(color)
{
    setStyleSheet(StyleSheet(color));
    connect(this, &QPushButton::clicked, this, &ColorPreviewWidget::onClicked);
}

QString ColorPreviewWidget::StyleSheet(const QColor& color)
{
    return QStringLiteral("QPushButton {") + "background-color: " + color.name() + ";" + "border-width: 1px;"
        + "border-style: solid;" + "border-color: black;" + "padding: 6px;" + "font: bold;" + "color: white;" + "}";
}

void ColorPreviewWidget::SetColor(const QColor& newColor)
{
    color = newColor;
    setStyleSheet(StyleSheet(color));
}

void ColorPreviewWidget::onClicked()
{
    const QColor chosen = Prompter::Current().GetColor(color, this, QStringLiteral("Color picker"));
    if (!chosen.isValid())
        return;
    SetColor(chosen);
    emit colorChanged(color);
}
