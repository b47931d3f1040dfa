#include "views/ImageView.h"

#include "app/Relation.h"
#include "stacks/VariableImageStack.h"
#include "ui/LVXObjectWidget.h"
#include "views/PaintWidget.h"
#include "views/PaintWidgetTool.h"

#include <QList>
#include <QTimer>
#include <algorithm>
#include <memory>

ImageView::ImageView(const QString& name, QWidget* parent) : View(name, parent)
{
}

ImageView::ImageView(const ImageView& other)
    : View(other), displayParameter1(other.displayParameter1), displayParameter2(other.displayParameter2),
      zoom(other.zoom)
{
}

int ImageView::GetDisplayWidth() const
{
    return -1;
}

int ImageView::GetDisplayHeight() const
{
    return -1;
}

int ImageView::GetCurrentIndex() const
{
    return -1;
}

int ImageView::GetLastIndex() const
{
    return -1;
}

int ImageView::GetIndex(LVX::Orientation) const
{
    return 0;
}

QString ImageView::GetValueText(const QPoint&) const
{
    return QString();
}

SliceImages ImageView::GetSliceData(LVX::Orientation)
{
    return SliceImages();
}

bool ImageView::IsValidIndex(int, LVX::Orientation) const
{
    return false;
}

void ImageView::SetIndex(int, LVX::Orientation)
{
}

void ImageView::Attach(LVXObjectWidget* objectWidget)
{
    boundWidget = objectWidget;
    UpdateOverlays();
}

void ImageView::Refresh()
{
}

void ImageView::ResetCenter()
{
}

void ImageView::UpdateOverlays()
{
}

void ImageView::RefreshOverlays()
{
}

void ImageView::RefreshOverlay(Attachment*)
{
}

void ImageView::OnViewReserved1()
{
}

void ImageView::OnViewReserved2()
{
}

VariableImageStack* ImageView::GetStack() const
{
    if (!boundWidget)
        return nullptr;
    return dynamic_cast<VariableImageStack*>(boundWidget->GetObject());
}

void ImageView::OnConnect(Relation* relation)
{
    if (!relation || relation->GetType() != LVX::RelationSource || !relation->GetOther())
        return;
    Attach(relation->GetOther());
    if (boundWidget)
        Refresh();
}

void ImageView::OnDisconnect(Relation* relation)
{
    if (!relation || relation->GetType() != LVX::RelationSource)
        return;
    // The stack's button may be on its way out: nothing may reach the stack through it from now.
    if (relation->GetOther() == boundWidget || !relation->GetOther()) {
        boundWidget = nullptr;
        UpdateOverlays();
    }
    // The request comes from inside the relation's teardown, and removing the view deletes the
    // button that owns the relation; so the controller hears of it once that has finished. The
    // request is dropped if the view goes first.
    QTimer::singleShot(0, this, [this] { emit Events()->removeObjectRequested(this); });
}

void ImageView::OnAttachmentsChanged()
{
    UpdateOverlays();
    update();
}

void ImageView::onSetToolRequested(PaintWidgetTool::Base* tool)
{
    // Views with their own tool handling override this; here the first paint widget takes the
    // tool and every further one gets its own copy.
    std::unique_ptr<PaintWidgetTool::Base> owned(tool);
    const QList<PaintWidget*> widgets = findChildren<PaintWidget*>();
    for (int i = 0; i < widgets.size(); ++i) {
        if (i == 0)
            widgets[i]->SetTool(owned.release());
        else
            widgets[i]->SetTool(tool ? tool->Clone() : nullptr);
        widgets[i]->update();
    }
}

float ImageView::ClampZoom(float value)
{
    return std::clamp(value, MinZoom, MaxZoom);
}
