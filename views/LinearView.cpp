#include "views/LinearView.h"

#include "Data.h"
#include "app/Attachment.h"
#include "stacks/VariableImageStack.h"
#include "ui/LVXObjectWidget.h"
#include "views/BaseOverlay.h"
#include "views/OverlayFactory.h"
#include "views/PaintWidget.h"
#include "views/PaintWidgetTool.h"
#include "views/SliderZoomWidget.h"
#include "views/ToolTipSlider.h"

#include <QSignalBlocker>
#include <QSpinBox>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <set>

// ---------------------------------------------------------------------------------------------
// Wheel actions

LinearView::WheelAction::~WheelAction() = default;

LinearView::WheelAction* LinearView::WheelAction::Clone() const
{
    return new WheelAction(*this);
}

void LinearView::WheelAction::Apply(LinearView*, const QWheelEvent*)
{
}

LinearView::WheelAction* LinearView::SliderWheelAction::Clone() const
{
    return new SliderWheelAction(*this);
}

void LinearView::SliderWheelAction::Apply(LinearView* view, const QWheelEvent* event)
{
    if (!view || !event)
        return;
    // The slider clamps, so a step past either end leaves it there.
    view->GetSlider()->setValue(view->GetCurrentIndex() + Data::sign(event->angleDelta().y()));
}

LinearView::WheelAction* LinearView::ZoomWheelAction::Clone() const
{
    return new ZoomWheelAction(*this);
}

void LinearView::ZoomWheelAction::Apply(LinearView* view, const QWheelEvent* event)
{
    if (!view || !event)
        return;
    const float notches = float(event->angleDelta().y()) / 120.0f;
    const float before = view->GetZoom();
    view->SetZoom(before + notches * 0.25f, true);
    // A notch past either end of the zoom range changes nothing, so a pan stays.
    if (view->GetZoom() == before)
        return;
    view->RescaleImage();
    view->ResetCenter();
}

// ---------------------------------------------------------------------------------------------
// LinearView

LinearView::LinearView(const QString& name, QWidget* parent)
    : ImageView(name, parent), sliderZoom(new SliderZoomWidget(this)), wheelAction(new SliderWheelAction)
{
}

LinearView::LinearView(const LinearView& other)
    : ImageView(other), sliderZoom(new SliderZoomWidget(this)),
      wheelAction(other.wheelAction ? other.wheelAction->Clone() : new WheelAction)
{
}

LinearView::~LinearView() = default;

ToolTipSlider* LinearView::GetSlider() const
{
    return sliderZoom->GetSlider();
}

std::vector<PaintWidget*> LinearView::GetPaintWidgets() const
{
    if (!paintWidget)
        return {};
    return {paintWidget};
}

void LinearView::SetWheelAction(WheelAction* action)
{
    wheelAction.reset(action ? action : new WheelAction);
}

int LinearView::GetCurrentIndex() const
{
    const ToolTipSlider* slider = GetSlider();
    return int(std::trunc(slider->Map(slider->value())));
}

int LinearView::GetLastIndex() const
{
    const ToolTipSlider* slider = GetSlider();
    return int(std::trunc(slider->Map(slider->maximum())));
}

int LinearView::GetIndex(LVX::Orientation orientation) const
{
    return orientation == LVX::XY ? GetCurrentIndex() : 0;
}

QString LinearView::GetValueText(const QPoint& widgetPosition) const
{
    const VariableImageStack* stack = GetStack();
    if (!stack || !paintWidget || GetCurrentIndex() < 0)
        return QString();
    const Image* image = stack->GetImage(uint32_t(GetCurrentIndex()));
    if (!image || !paintWidget->IsInsideImage(widgetPosition))
        return QString();
    // The image pixel drawn under the position.
    const QPoint pixel = paintWidget->WidgetToImage(widgetPosition);
    const int x = pixel.x();
    const int y = pixel.y();
    if (!image->Contains(x, y))
        return QString();
    return image->GetString(x, y);
}

SliceImages LinearView::GetSliceData(LVX::Orientation orientation)
{
    SliceImages data;
    VariableImageStack* stack = GetStack();
    const int index = GetCurrentIndex();
    if (orientation != LVX::XY || !stack || index < 0 || uint32_t(index) >= stack->GetSliceCount())
        return data;
    const Image* image = stack->GetImage(uint32_t(index));
    if (!image)
        return data;
    data.slice = uint32_t(index);
    data.image = image;
    data.ddx = stack->GetDdx(uint32_t(index));
    data.ddy = stack->GetDdy(uint32_t(index));
    return data;
}

bool LinearView::IsValidIndex(int index, LVX::Orientation orientation) const
{
    const VariableImageStack* stack = GetStack();
    return orientation == LVX::XY && stack && index >= 0 && uint32_t(index) < stack->GetSliceCount();
}

void LinearView::SetIndex(int index, LVX::Orientation orientation)
{
    if (orientation == LVX::XY)
        GetSlider()->setValue(index);
}

void LinearView::Attach(LVXObjectWidget* objectWidget)
{
    ImageView::Attach(objectWidget);
    const VariableImageStack* stack = GetStack();
    const int count = stack ? int(std::min<uint32_t>(stack->GetSliceCount(), uint32_t(INT32_MAX))) : 0;
    const int last = std::max(0, count - 1);

    ToolTipSlider* slider = GetSlider();
    const int before = slider->value();
    slider->setRange(0, last);
    if (last >= 2)
        slider->setValue(int(last * 0.5));
    // A moved slider has shown the slice through its signal; otherwise show it here.
    if (slider->value() == before) {
        Refresh();
        RefreshOverlays();
        UpdateOffsets();
    }
}

void LinearView::Refresh()
{
    UpdateImage();
}

void LinearView::ResetCenter()
{
    for (PaintWidget* widget : GetPaintWidgets())
        widget->ResetCenter(true);
}

void LinearView::UpdateOverlays()
{
    // The attachments docked to the stack, in docking order.
    std::vector<Attachment*> attachments;
    if (boundWidget && boundWidget->GetObject()) {
        for (LVXObject* docked : boundWidget->GetObject()->GetAttachments()) {
            if (auto* attachment = dynamic_cast<Attachment*>(docked))
                attachments.push_back(attachment);
        }
    }
    const std::set<Attachment*> present(attachments.begin(), attachments.end());

    for (PaintWidget* widget : GetPaintWidgets()) {
        // Overlays of attachments that are gone go first; the generic ones (no attachment) stay.
        std::vector<BaseOverlay*> stale;
        for (const auto& overlay : widget->GetOverlays()) {
            if (overlay->GetAttachment() && !present.count(overlay->GetAttachment()))
                stale.push_back(overlay.get());
        }
        for (BaseOverlay* overlay : stale)
            widget->RemoveOverlay(overlay);

        std::vector<BaseOverlay*> current;
        for (Attachment* attachment : attachments) {
            BaseOverlay* found = nullptr;
            for (const auto& overlay : widget->GetOverlays()) {
                if (overlay->GetAttachment() == attachment) {
                    found = overlay.get();
                    break;
                }
            }
            if (!found) {
                found = CreateAttachmentOverlay(widget, attachment);
                if (found)
                    widget->PushBackOverlay(found, true);
            }
            if (found)
                current.push_back(found);
        }
        for (BaseOverlay* overlay : current)
            overlay->Update();
        widget->update();
    }
}

void LinearView::RefreshOverlays()
{
    for (PaintWidget* widget : GetPaintWidgets()) {
        for (size_t i = 0; i < widget->GetOverlays().size(); ++i)
            widget->GetOverlays()[i]->Update();
        widget->update();
    }
}

void LinearView::RefreshOverlay(Attachment* attachment)
{
    if (!attachment)
        return;
    for (PaintWidget* widget : GetPaintWidgets()) {
        for (size_t i = 0; i < widget->GetOverlays().size(); ++i) {
            if (widget->GetOverlays()[i]->GetAttachment() == attachment)
                widget->GetOverlays()[i]->Update();
        }
        widget->update();
    }
}

void LinearView::SetZoom(float value, bool updateSpinBox)
{
    zoom = ClampZoom(value);
    for (PaintWidget* widget : GetPaintWidgets())
        widget->SetZoom(zoom);
    if (updateSpinBox) {
        // The spin box's own change signal would set the zoom again and rescale twice.
        QSpinBox* spinBox = sliderZoom->GetZoomSpinBox();
        const QSignalBlocker blocker(spinBox);
        spinBox->setValue(int(zoom * 100.0f));
    }
}

void LinearView::UpdateOffsets()
{
    for (PaintWidget* widget : GetPaintWidgets())
        widget->UpdateOffsets();
}

void LinearView::RescaleImage()
{
}

void LinearView::SetTool(PaintWidgetTool::Base* tool)
{
    std::unique_ptr<PaintWidgetTool::Base> owned(tool);
    const std::vector<PaintWidget*> widgets = GetPaintWidgets();
    for (size_t i = 0; i < widgets.size(); ++i) {
        // The first paint widget takes the tool, every further one its own copy.
        widgets[i]->SetTool(i == 0 ? owned.release() : (tool ? tool->Clone() : nullptr));
        widgets[i]->update();
    }
}

void LinearView::UpdateImage()
{
}

void LinearView::onSetToolRequested(PaintWidgetTool::Base* tool)
{
    SetTool(tool);
}

void LinearView::onWheelRotated(QWheelEvent* event)
{
    if (wheelAction)
        wheelAction->Apply(this, event);
}
