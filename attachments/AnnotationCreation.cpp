#include "attachments/AnnotationCreation.h"

#include "app/App.h"
#include "attachments/Line.h"
#include "attachments/Rectangle.h"
#include "ui/LVXObjectWidget.h"
#include "ui/LumivoxWnd.h"
#include "views/ImageView.h"
#include "views/LineOverlay.h"
#include "views/PaintWidget.h"
#include "views/PaintWidgetTool.h"
#include "views/RectangleOverlay.h"

#include <memory>

namespace AnnotationCreation {

namespace {

// The view's paint widget, provided the view shows a stack to annotate.
PaintWidget* Target(ImageView* view)
{
    if (!view || !view->GetBoundWidget() || !view->GetStack())
        return nullptr;
    PaintWidget* paintWidget = SourcePaintWidget(view);
    if (!paintWidget || !paintWidget->GetDisplayImage() || paintWidget->GetDisplayImage()->isNull())
        return nullptr;
    return paintWidget;
}

// Registers the annotation, creates its button, docks it below the view's stack and checks it.
template <class T> T* Register(App& app, std::unique_ptr<T> annotation, ImageView* view, LVXObjectWidget** widget)
{
    annotation->SetName(annotation->GetName() + QString::number(app.nextNameNumber(annotation->GetType())));
    T* raw = app.registerObject(std::move(annotation));
    LumivoxWnd* window = app.GetWindow();
    *widget = window->CreateObjectWidget(raw);
    view->GetBoundWidget()->Attach(*widget);
    (*widget)->setChecked(true);
    // Lines and rectangles bring no panels of their own; the view's panels (with the tool just
    // used) stay on show then.
    if (!(*widget)->GetControls().empty())
        window->ShowControls(*widget);
    return raw;
}

// The overlay of the attachment on the paint widget: the one the view made when the attachment
// was docked, else a new one.
template <class Overlay, class T> Overlay* OverlayFor(PaintWidget* paintWidget, T* attachment)
{
    for (const std::unique_ptr<BaseOverlay>& overlay : paintWidget->GetOverlays())
        if (overlay->GetAttachment() == attachment)
            if (auto* typed = dynamic_cast<Overlay*>(overlay.get()))
                return typed;
    auto* overlay = new Overlay(paintWidget, attachment);
    paintWidget->PushBackOverlay(overlay, true);
    return overlay;
}

} // namespace

PaintWidget* SourcePaintWidget(ImageView* view)
{
    if (!view)
        return nullptr;
    PaintWidget* pressing = PaintWidgetTool::PressingWidget();
    if (pressing && pressing->GetOwner() == view)
        return pressing;
    for (PaintWidget* paintWidget : view->findChildren<PaintWidget*>())
        if (paintWidget->GetOwner() == view)
            return paintWidget;
    return nullptr;
}

Att::Line* CreateLine(App& app, const QPoint& position, ImageView* view)
{
    PaintWidget* paintWidget = Target(view);
    if (!paintWidget)
        return nullptr;
    const Point3D point = paintWidget->WidgetToStack(position);
    LVXObjectWidget* widget = nullptr;
    Att::Line* line = Register(app, std::make_unique<Att::Line>(point, point), view, &widget);

    LineOverlay* overlay = OverlayFor<LineOverlay>(paintWidget, line);
    overlay->SetObjectWidget(widget);
    overlay->StartMovingEnd(position);
    paintWidget->StartDrag(overlay);
    paintWidget->update();
    return line;
}

Att::Rectangle* CreateRectangle(App& app, const QPoint& position, ImageView* view)
{
    PaintWidget* paintWidget = Target(view);
    if (!paintWidget)
        return nullptr;
    const QPoint p = paintWidget->WidgetToImage(position);
    LVXObjectWidget* widget = nullptr;
    Att::Rectangle* rectangle = Register(app,
        std::make_unique<Att::Rectangle>(p.x(), p.x(), p.y(), p.y(), paintWidget->GetOrientation()), view, &widget);

    RectangleOverlay* overlay = OverlayFor<RectangleOverlay>(paintWidget, rectangle);
    overlay->StartSizing(position);
    paintWidget->StartDrag(overlay);
    paintWidget->update();
    return rectangle;
}

} // namespace AnnotationCreation
