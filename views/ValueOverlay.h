#pragma once

#include "views/BaseOverlay.h"

#include <QTimer>

// Shows the coordinates and the value of the pixel under the mouse beside the cursor. The text
// goes when the mouse leaves the widget, and 3 s after the last move once the cursor is no
// longer over the image.
class ValueOverlay : public BaseOverlay {
    Q_OBJECT
public:
    static constexpr int HideDelayMs = 3000;
    // The position that means "no position".
    static const QPoint NoPosition;

    // With `autoHide` false the text stays until the mouse leaves the widget.
    explicit ValueOverlay(PaintWidget* paintWidget, bool autoHide = true);

    void Paint(QPainter* painter) override;
    void Hover(const QPoint& position) override;
    void Leave() override;

    QPoint GetPosition() const { return position; }
    bool IsAutoHide() const { return autoHide; }
    QTimer* HideTimer() { return &hideTimer; }
    // The text drawn for the stored position: "x, y, z: value", rows counted from the top of
    // the picture; empty when the position is not over the image.
    QString Text() const;

public slots:
    void onHideTimerFired();

private:
    QPoint position;
    QTimer hideTimer;
    bool autoHide;
};
