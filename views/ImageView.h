#pragma once

#include "stacks/SliceImages.h"
#include "views/View.h"

#include <QPoint>
#include <QString>
#include <cstdint>

class Attachment;
class LVXObjectWidget;
class VariableImageStack;
namespace PaintWidgetTool {
class Base;
}

// A view that shows pictures of an image stack on paint widgets. Zoom factors are clamped to
// [0.25, 6.0].
class ImageView : public View {
    Q_OBJECT
public:
    explicit ImageView(const QString& name, QWidget* parent = nullptr);
    ImageView(const ImageView& other); // display parameters and zoom; busy cleared; unbound

    static constexpr float MinZoom = 0.25f;
    static constexpr float MaxZoom = 6.0f;

    // Operations introduced by image views, in this order.
    virtual int GetDisplayWidth() const;                                      // -1
    virtual int GetDisplayHeight() const;                                     // -1
    virtual int GetCurrentIndex() const;                                      // -1
    virtual int GetLastIndex() const;                                         // -1
    virtual int GetIndex(LVX::Orientation orientation) const;                 // 0
    virtual QString GetValueText(const QPoint& widgetPosition) const;         // empty
    virtual SliceImages GetSliceData(LVX::Orientation orientation);           // all empty
    virtual bool IsValidIndex(int index, LVX::Orientation orientation) const; // false
    virtual void SetIndex(int index, LVX::Orientation orientation);           // nothing
    virtual void Attach(LVXObjectWidget* objectWidget);                       // stores the widget, then UpdateOverlays
    virtual void Refresh();
    virtual void ResetCenter();
    virtual void UpdateOverlays();
    virtual void RefreshOverlays();
    virtual void RefreshOverlay(Attachment* attachment);
    virtual void OnViewReserved1(); // no view gives these two a behaviour
    virtual void OnViewReserved2();

    LVXObjectWidget* GetBoundWidget() const { return boundWidget; }
    // The stack shown (the bound widget's object when it is a stack), or null.
    VariableImageStack* GetStack() const;
    float GetZoom() const { return zoom; }
    short GetDisplayParameter1() const { return displayParameter1; }
    double GetDisplayParameter2() const { return displayParameter2; }
    bool IsBusy() const { return busy; }

    void OnConnect(Relation* relation) override;    // type 2: Attach + Refresh
    void OnDisconnect(Relation* relation) override; // type 2: asks for its own removal
    void OnAttachmentsChanged() override;           // UpdateOverlays and repaint

public slots:
    // Tools chosen in the parameters panel; the view takes ownership.
    virtual void onSetToolRequested(PaintWidgetTool::Base* tool);

protected:
    static float ClampZoom(float value);

    short displayParameter1 = 0;
    double displayParameter2 = 45.0;
    float zoom = 1.0f;
    bool busy = false;
    LVXObjectWidget* boundWidget = nullptr;
};
