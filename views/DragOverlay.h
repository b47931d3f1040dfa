#pragma once

#include "views/BaseOverlay.h"

#include <QPointF>
#include <QRect>

// Pans a display image that is larger than its paint widget: a drag anywhere moves the centre,
// never so far that an image edge comes inside the widget. While the image is larger, two frames
// near the upper right corner show the whole image and the part in view.
class DragOverlay : public BaseOverlay {
    Q_OBJECT
public:
    explicit DragOverlay(PaintWidget* paintWidget);

    void Paint(QPainter* painter) override;
    BaseOverlay* HitTest(const QPoint& position) override;
    void Drag(const QPoint& position) override;
    void Drop(const QPoint& position) override;

    bool IsDragging() const { return dragging; }
    // The two frames (the whole image, the part in view) in widget coordinates; both empty when
    // the image fits the widget.
    QRect ImageFrame() const;
    QRect ViewFrame() const;

    static const QColor FrameColor;

private:
    void Frames(QRect* image, QRect* view) const;

    bool dragging = false;
    QPointF centerAtPress;
    QPoint pressPosition;
    // The allowed mouse displacement along x and y (min, max).
    int minDx = 0;
    int maxDx = 0;
    int minDy = 0;
    int maxDy = 0;
};
