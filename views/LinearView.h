#pragma once

#include "views/ImageView.h"

#include <memory>
#include <vector>

class PaintWidget;
class QWheelEvent;
class SliderZoomWidget;
class ToolTipSlider;

// An image view that walks through one axis of its stack with a slider, with a zoom spin box
// beside it and a choice of what the mouse wheel does.
class LinearView : public ImageView {
    Q_OBJECT
public:
    // What one wheel event does; the base does nothing ("Do nothing").
    class WheelAction {
    public:
        virtual ~WheelAction();
        virtual WheelAction* Clone() const;
        virtual void Apply(LinearView* view, const QWheelEvent* event);
    };
    // "Move slider": the slider goes one step in the direction of the vertical delta.
    class SliderWheelAction : public WheelAction {
    public:
        WheelAction* Clone() const override;
        void Apply(LinearView* view, const QWheelEvent* event) override;
    };
    // "Zoom": one notch (120) changes the zoom by 0.25.
    class ZoomWheelAction : public WheelAction {
    public:
        WheelAction* Clone() const override;
        void Apply(LinearView* view, const QWheelEvent* event) override;
    };

    explicit LinearView(const QString& name, QWidget* parent = nullptr);
    LinearView(const LinearView& other); // display parameters, zoom and the wheel action's kind
    ~LinearView() override;

    int GetCurrentIndex() const override;
    int GetLastIndex() const override;
    int GetIndex(LVX::Orientation orientation) const override;
    QString GetValueText(const QPoint& widgetPosition) const override;
    SliceImages GetSliceData(LVX::Orientation orientation) override;
    bool IsValidIndex(int index, LVX::Orientation orientation) const override;
    void SetIndex(int index, LVX::Orientation orientation) override;
    void Attach(LVXObjectWidget* objectWidget) override;
    void Refresh() override;
    void ResetCenter() override;
    void UpdateOverlays() override;
    void RefreshOverlays() override;
    void RefreshOverlay(Attachment* attachment) override;

    // Operations added by linear views, in this order.
    virtual void SetZoom(float value, bool updateSpinBox); // clamped; the spin box shows trunc(zoom * 100)
    virtual void UpdateOffsets();
    virtual void RescaleImage();                       // rebuilds the zoomed display image
    virtual void SetTool(PaintWidgetTool::Base* tool); // takes ownership; null for the pointer
    virtual void UpdateImage();                        // rebuilds the display image of the current slice

    SliderZoomWidget* GetSliderZoomWidget() const { return sliderZoom; }
    ToolTipSlider* GetSlider() const;
    // The paint widgets of the view; the first is the main one.
    virtual std::vector<PaintWidget*> GetPaintWidgets() const;
    PaintWidget* GetPaintWidget() const { return paintWidget; }

    // Takes ownership; null means "Do nothing".
    void SetWheelAction(WheelAction* action);
    WheelAction* GetWheelAction() const { return wheelAction.get(); }

public slots:
    void onSetToolRequested(PaintWidgetTool::Base* tool) override;
    void onWheelRotated(QWheelEvent* event);

protected:
    // The slider-and-zoom bar; subclasses place it in their layout.
    SliderZoomWidget* sliderZoom;
    // Set by subclasses that show one paint widget.
    PaintWidget* paintWidget = nullptr;

private:
    std::unique_ptr<WheelAction> wheelAction;
};
