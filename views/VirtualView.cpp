#include "views/VirtualView.h"

#include "views/SliceView.h"

#include <QGridLayout>

VirtualView::VirtualView(QWidget* parent, Qt::WindowFlags flags) : QWidget(parent, flags)
{
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
}

VirtualSliceView::VirtualSliceView(SliceView* source) : view(source ? new SliceView(*source) : new SliceView())
{
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view, 0, 0);
    if (!source)
        return;
    view->SetZoom(source->GetZoom(), true);
    // The copy shows what the source shows.
    if (source->GetBoundWidget()) {
        view->Attach(source->GetBoundWidget());
        view->SetIndex(source->GetCurrentIndex(), LVX::XY);
    }
    view->RescaleImage();
}
