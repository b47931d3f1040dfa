#pragma once

#include "model/LVX.h"
#include "views/BaseOverlay.h"

#include <QColor>
#include <QPointF>

class Point3D;

// The two plane lines of a tomogram pane: a vertical and a horizontal line at fractions of the
// display image's width and height, dragged with the mouse to move the other planes.
class AxesOverlay : public BaseOverlay {
    Q_OBJECT
public:
    // Lines within this many image pixels of the mouse count as near.
    static constexpr int NearDistance = 11;

    AxesOverlay(PaintWidget* paintWidget, const QColor& verticalColor, const QColor& horizontalColor);

    void Paint(QPainter* painter) override;
    BaseOverlay* HitTest(const QPoint& position) override;
    void Drag(const QPoint& position) override;
    void Hover(const QPoint& position) override;
    void Drop(const QPoint& position) override;

    double GetVerticalPosition() const { return vertical; }
    double GetHorizontalPosition() const { return horizontal; }
    void SetPositions(double verticalPosition, double horizontalPosition);
    bool IsDraggingVertical() const { return vDrag; }
    bool IsDraggingHorizontal() const { return hDrag; }
    const QColor& GetVerticalColor() const { return verticalColor; }
    const QColor& GetHorizontalColor() const { return horizontalColor; }
    // Whether the widget position is near the vertical / the horizontal line.
    bool IsNearVertical(const QPoint& position) const;
    bool IsNearHorizontal(const QPoint& position) const;

signals:
    void planeChanged(
        double verticalPosition, double horizontalPosition, bool vDrag, bool hDrag, LVX::Orientation orientation);

public slots:
    // Takes the positions from the plane (XY: x, y; XZ: x, z; ZY: z, y) unless the change came
    // from this overlay's own orientation.
    void onPlaneChanged(Point3D* plane, LVX::Orientation orientation);

private:
    double vertical = 0.5;
    double horizontal = 0.5;
    QColor verticalColor;
    QColor horizontalColor;
    bool vDrag = false;
    bool hDrag = false;
    QPoint pressPosition;
    double verticalAtPress = 0.5;
    double horizontalAtPress = 0.5;
};
