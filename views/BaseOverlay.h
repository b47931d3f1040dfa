#pragma once

#include <QObject>
#include <QPoint>
#include <QString>

class Attachment;
class PaintWidget;
class QPainter;

// Something a paint widget draws over its image and that reacts to the mouse.
class BaseOverlay : public QObject {
    Q_OBJECT
public:
    BaseOverlay(PaintWidget* paintWidget, Attachment* attachment, const QString& name);

    // Called by the paint widget, in this order of declaration.
    virtual void Update(); // the attachment changed: re-read it
    virtual void Paint(QPainter* painter);
    virtual BaseOverlay* HitTest(const QPoint& position); // a left press; non-null starts a drag
    virtual void Drag(const QPoint& position);
    virtual void Hover(const QPoint& position);
    virtual void Drop(const QPoint& position);
    virtual void Leave();

    PaintWidget* GetPaintWidget() const { return paintWidget; }
    Attachment* GetAttachment() const { return attachment; }
    const QString& GetName() const { return name; }
    bool IsVisible() const { return visible; }
    void SetVisible(bool flag); // stores it, repaints the views, emits visibilityChanged

signals:
    void visibilityChanged(bool visible);

public slots:
    void onVisibilityChanged(bool visible) { SetVisible(visible); }

protected:
    PaintWidget* paintWidget;
    Attachment* attachment;
    QString name;
    bool visible = true;
};
