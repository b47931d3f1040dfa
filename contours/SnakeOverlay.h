#pragma once

#include "contours/SnakeSequence.h"
#include "views/BaseOverlay.h"

#include <QPoint>
#include <QPointer>
#include <cstdint>

class LVXObjectWidget;

// Shows the nodes of a contour sequence that lie in the plane of a paint widget as small squares,
// names the node under the mouse ("contour;node") and moves it with the mouse.
//
// Which nodes a view shows follows from where they are in the stack: a view of the sequence's own
// plane shows the contour of its slice; a view of another plane shows every node that lies on the
// view's plane, i.e. whose node coordinate along the view's normal is within 0.5 of the view's
// index. Each node is drawn where its stack point falls in the view. For an XZ view of a ZY
// sequence that means the nodes whose row (stack y) is at the index, drawn at (slice, column);
// for a ZY view of an XZ sequence the nodes whose column (stack x) is at the index, drawn at
// (row, slice). A drag changes only the node coordinate that the view shows besides the slice, so a
// dragged node never leaves the view's plane.
class SnakeOverlay : public BaseOverlay {
    Q_OBJECT
public:
    SnakeOverlay(PaintWidget* paintWidget, SnakeSequence* sequence);
    ~SnakeOverlay() override;

    void Update() override;
    void Paint(QPainter* painter) override;
    BaseOverlay* HitTest(const QPoint& position) override;
    void Drag(const QPoint& position) override;
    void Hover(const QPoint& position) override;

    SnakeSequence* GetSequence() const;
    const SnakeSequence::NodeList& GetNodes() const { return nodes; }
    int32_t GetHovered() const { return hovered; }
    // The sequence's button, used for the selected colour; by default looked up in the main window.
    void SetObjectWidget(LVXObjectWidget* widget);
    bool IsSelected() const;

    // The image position (truncated) at which a view of `viewPlane` shows the node.
    static QPoint NodePosition(const NodePointer& node, LVX::Orientation viewPlane);
    // Moves the node so that a view of `viewPlane` at `index` shows it at `imagePosition`; only the
    // node coordinates that such a view shows change.
    static void MoveNode(const NodePointer& node, LVX::Orientation viewPlane, int index, const QPoint& imagePosition);
    // The nodes of `sequence` that a view of `viewPlane` at `index` shows.
    static SnakeSequence::NodeList NodesInView(SnakeSequence& sequence, LVX::Orientation viewPlane, int index);

private:
    int ViewIndex() const;
    // Whether the node is still the one its contour holds at its index: processing replaces and
    // re-spaces nodes, and the list is only rebuilt at the next Update.
    bool IsLive(const NodePointer& node) const;
    LVXObjectWidget* FindObjectWidget() const;

    QPointer<SnakeSequence> sequence; // the sequence may go before the view rebuilds its overlays
    mutable QPointer<LVXObjectWidget> objectWidget;
    SnakeSequence::NodeList nodes;
    int32_t hovered = -1;
};
