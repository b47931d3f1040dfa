#include "views/BaseOverlay.h"

#include "ui/LumivoxWnd.h"
#include "views/PaintWidget.h"

BaseOverlay::BaseOverlay(PaintWidget* paintWidget, Attachment* attachment, const QString& name)
    : paintWidget(paintWidget), attachment(attachment), name(name)
{
}

void BaseOverlay::Update()
{
}

void BaseOverlay::Paint(QPainter* /*painter*/)
{
}

BaseOverlay* BaseOverlay::HitTest(const QPoint& /*position*/)
{
    return nullptr;
}

void BaseOverlay::Drag(const QPoint& /*position*/)
{
}

void BaseOverlay::Hover(const QPoint& /*position*/)
{
}

void BaseOverlay::Drop(const QPoint& /*position*/)
{
}

void BaseOverlay::Leave()
{
}

void BaseOverlay::SetVisible(bool flag)
{
    visible = flag;
    // The paint widget may belong to a view that is not the current tab; it repaints itself.
    if (paintWidget)
        paintWidget->update();
    if (LumivoxWnd* window = LumivoxWnd::Instance())
        window->Redraw();
    emit visibilityChanged(flag);
}
