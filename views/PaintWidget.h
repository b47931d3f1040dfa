#pragma once

#include "Point.h"
#include "Point3D.h"
#include "model/LVX.h"

#include <QImage>
#include <QPoint>
#include <QPointF>
#include <QWheelEvent>
#include <QWidget>
#include <deque>
#include <memory>

class BaseOverlay;
class ImageView;
class QMenu;
namespace PaintWidgetTool {
class Base;
}

// The widget math of a paint widget, free of widgets so that tests and overlays can use it:
// zoom z, offset (ox, oy) of the display image's top-left corner, display image height H.
// Image rows count upward from the bottom of the picture.
struct ViewMapping {
    float zoom = 1.0f;
    int offsetX = 0;
    int offsetY = 0;
    int imageWidth = 0; // of the display (zoomed) image
    int imageHeight = 0;

    QPoint WidgetToImage(const QPoint& p) const;          // (trunc((px-ox)/z), trunc((H+oy-py)/z))
    QPoint WidgetToImageUnflipped(const QPoint& p) const; // y = trunc((py-oy)/z)
    QPoint ImageToWidget(const QPoint& p) const;          // (trunc(x*z+ox), trunc(H+oy-y*z))
    QPoint ImageToWidget(const QPointF& p) const;
    bool IsInsideImage(const QPoint& widgetPosition) const;
    // Plane coordinates of a stack point: XY (x, y), XZ (x, z), ZY (z, y).
    static QPointF StackToPlane(const Point3D& p, LVX::Orientation orientation);
    // The stack point of plane coordinates (u, v) with `index` along the plane normal.
    static Point3D PlaneToStack(const QPointF& planePoint, LVX::Orientation orientation, float index);
    // Whether the stack point lies on the plane with that index (truncation along the normal).
    static bool IsOnPlane(const Point3D& p, LVX::Orientation orientation, int index);
    // Offsets that put the centre (fractions of the image size) in the middle of the widget.
    static QPoint OffsetsFor(const QPointF& center, int widgetWidth, int widgetHeight, int imageWidth, int imageHeight);
};

// The drawing surface of the 2-D views: one display image at a zoom and a centre, the overlays
// and the current tool on top, and the conversions between widget, image and stack coordinates.
class PaintWidget : public QWidget {
    Q_OBJECT
public:
    PaintWidget(ImageView* owner, LVX::Orientation orientation, QWidget* parent = nullptr);
    ~PaintWidget() override;

    ImageView* GetOwner() const { return owner; }
    LVX::Orientation GetOrientation() const { return orientation; }
    void SetDisplayImage(const QImage* image); // not owned; null for none
    const QImage* GetDisplayImage() const { return displayImage; }
    float GetZoom() const { return zoom; }
    void SetZoom(float z) { zoom = z; }
    QPointF GetCenter() const { return center; }
    QPoint GetOffset() const { return offset; }
    ViewMapping Mapping() const;

    void PushBackOverlay(BaseOverlay* overlay, bool remember); // takes ownership
    void RemoveOverlay(BaseOverlay* overlay);                  // deletes it
    const std::deque<std::unique_ptr<BaseOverlay>>& GetOverlays() const { return overlays; }
    BaseOverlay* GetLastOverlay() const { return lastOverlay; }
    BaseOverlay* GetDraggedOverlay() const { return draggedOverlay; }
    void StartDrag(BaseOverlay* overlay); // a tool or the view makes a new overlay drag at once
    void SetCenter(const QPointF& c);
    void ResetCenter(bool force);
    void UpdateOffsets();
    void SetTool(PaintWidgetTool::Base* tool); // takes ownership; null for the pointer
    PaintWidgetTool::Base* GetTool() const { return tool.get(); }
    void RequestRepaint() { repaintFlag = true; }

    // Conversions (see ViewMapping).
    QPoint WidgetToImage(const QPoint& p) const;
    QPoint ImageToWidget(const QPoint& p) const;
    QPoint ImageToWidget(const QPointF& p) const;
    QPointF StackToPlane(const Point3D& p) const;
    Point3D WidgetToStack(const QPoint& p) const; // completed with the owner's index
    bool IsOnPlane(const Point3D& p) const;
    bool IsInsideImage(const QPoint& p) const;

    // Paints image, overlays and tool into `target` with the offset temporarily (0, 0).
    QImage RenderDisplay() const;

signals:
    void wheelRotated(QWheelEvent* event);
    void centerChanged(QPointF* center);
    void planeChanged(Point3D* plane, bool vDrag, bool hDrag);
    void overlayPushedBack(BaseOverlay* overlay);
    void overlayRemoved(BaseOverlay* overlay);
    void imageLeft();

public slots:
    void onNewSnake();
    void onScreenshot();
    void onImageLeft();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void PaintContents(QPainter& painter) const;

    ImageView* owner;
    const QImage* displayImage = nullptr;
    QPointF center{0.5, 0.5};
    QPoint offset;
    LVX::Orientation orientation;
    float zoom = 1.0f;
    std::deque<std::unique_ptr<BaseOverlay>> overlays;
    BaseOverlay* lastOverlay = nullptr;
    BaseOverlay* draggedOverlay = nullptr;
    std::unique_ptr<PaintWidgetTool::Base> tool;
    QMenu* contextMenu = nullptr;
    QPoint contextMenuPosition;
    bool repaintFlag = false;
    bool inside = false;
};
