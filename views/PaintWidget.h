#pragma once

#include "Point.h"
#include "Point3D.h"
#include "model/LVX.h"
#include "views/ViewMapping.h"

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

// The drawing surface of the 2-D views: one display image at a zoom and a centre, the overlays
// and the current tool on top, and the conversions between widget, image and stack coordinates.
class PaintWidget : public QWidget {
    Q_OBJECT
public:
    PaintWidget(ImageView* owner, LVX::Orientation orientation, QWidget* parent = nullptr);
    ~PaintWidget() override;

    ImageView* GetOwner() const { return owner; }
    LVX::Orientation GetOrientation() const { return orientation; }
    // Not owned; null for none. `sourceSize` is the image's size at zoom 1 (the rows counted from
    // the top need it); left out, it is worked out from the display size and the zoom.
    void SetDisplayImage(const QImage* image, const QSize& sourceSize = QSize());
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
    QSize sourceSize;
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
