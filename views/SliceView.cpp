#include "views/SliceView.h"

#include "stacks/VariableImageStack.h"
#include "views/Control.h"
#include "views/DragOverlay.h"
#include "views/ImageViewOverlaysControl.h"
#include "views/LinearViewOptionsControl.h"
#include "views/LinearViewParametersControl.h"
#include "views/PaintWidget.h"
#include "views/SliderZoomWidget.h"
#include "views/ToolTipSlider.h"
#include "views/ValueOverlay.h"
#include "views/ViewMapping.h"
#include "views/VirtualView.h"

#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>
#include <QXmlStreamWriter>
#include <cmath>

SliceView::SliceView(QWidget* parent) : LinearView(QStringLiteral("SliceView"), parent)
{
    Build();
}

SliceView::SliceView(const SliceView& other) : LinearView(other)
{
    Build();
}

SliceView::~SliceView()
{
    // The panels go first (they watch the paint widget and the sliders), then the paint widget
    // and its overlays, while the images they point at and the view they ask still exist.
    controls.clear();
    delete paintWidget;
    paintWidget = nullptr;
}

void SliceView::Build()
{
    SetType(LVX::SliceViewType);

    paintWidget = new PaintWidget(this, LVX::XY, this);
    paintWidget->SetZoom(zoom);
    layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(paintWidget, 1);
    layout->addWidget(sliderZoom);

    connect(paintWidget, &PaintWidget::centerChanged, this, [this](QPointF*) { UpdateOffsets(); });
    connect(paintWidget, &PaintWidget::wheelRotated, this, &LinearView::onWheelRotated);
    paintWidget->PushBackOverlay(new DragOverlay(paintWidget), false);
    paintWidget->PushBackOverlay(new ValueOverlay(paintWidget), false);

    connect(GetSlider(), &QSlider::valueChanged, this, [this](int) {
        Refresh();
        RefreshOverlays();
        UpdateOffsets();
    });
    QSpinBox* spinBox = sliderZoom->GetZoomSpinBox();
    {
        const QSignalBlocker blocker(spinBox);
        spinBox->setValue(int(zoom * 100.0f));
    }
    connect(spinBox, QOverload<int>::of(&QSpinBox::valueChanged), this, [this](int value) {
        SetZoom(float(value) / 100.0f, false);
        RescaleImage();
        ResetCenter();
    });
}

LVXObject* SliceView::Clone() const
{
    return new SliceView(*this);
}

std::vector<Control*> SliceView::GetControls()
{
    // Made on first request (the view's button asks when it is created) and owned by the view.
    if (controls.empty()) {
        controls.emplace_back(new LinearViewParametersControl(this));
        controls.emplace_back(new LinearViewOptionsControl(this));
        auto* overlaysPanel = new ImageViewOverlaysControl();
        overlaysPanel->AddPaintWidget(paintWidget);
        controls.emplace_back(overlaysPanel);
    }
    std::vector<Control*> result;
    for (const auto& control : controls)
        result.push_back(control.get());
    return result;
}

bool SliceView::WriteXml(QXmlStreamWriter& xml)
{
    const QPointF center = paintWidget ? paintWidget->GetCenter() : QPointF(0.5, 0.5);
    xml.writeStartElement(QStringLiteral("slice_view"));
    xml.writeAttribute(QStringLiteral("slider_value"), QString::number(GetSlider()->value()));
    xml.writeAttribute(QStringLiteral("zoom"), QString::number(double(zoom), 'g', 6));
    xml.writeAttribute(QStringLiteral("image_center_x"), QString::number(center.x(), 'g', 6));
    xml.writeAttribute(QStringLiteral("image_center_y"), QString::number(center.y(), 'g', 6));
    xml.writeAttribute(QStringLiteral("name"), GetName());
    return true;
}

void SliceView::RestoreState(int sliderValue, float newZoom, const QPointF& center)
{
    SetZoom(newZoom, true);
    ToolTipSlider* slider = GetSlider();
    const int before = slider->value();
    slider->setValue(sliderValue); // clamped to the stack's slices
    // A moved slider has redrawn at the new zoom through its signal.
    if (slider->value() == before) {
        Refresh();
        RefreshOverlays();
    }
    if (paintWidget)
        paintWidget->SetCenter(center);
}

VirtualView* SliceView::CreateVirtualView()
{
    return new VirtualSliceView(this);
}

void SliceView::UpdateOffsets()
{
    // The centre stays, so a pan made with the drag overlay lasts over repaints and slice changes.
    if (paintWidget)
        paintWidget->UpdateOffsets();
}

void SliceView::RescaleImage()
{
    if (!paintWidget || image.isNull())
        return;
    // Unzoomed, the paint widget shows the display image itself (shared, not copied).
    zoomedImage = ScaleForDisplay(image, zoom);
    paintWidget->SetZoom(zoom);
    paintWidget->SetDisplayImage(zoomedImage.isNull() ? nullptr : &zoomedImage, image.size());
    // A pan holds for one zoom and one slice size; the centre of another picture starts again.
    const bool newPicture = zoom != shownZoom || image.size() != shownSize;
    shownZoom = zoom;
    shownSize = image.size();
    if (newPicture)
        paintWidget->ResetCenter(true);
    else
        paintWidget->UpdateOffsets();
    paintWidget->update();
}

void SliceView::UpdateImage()
{
    VariableImageStack* stack = GetStack();
    if (!stack || busy)
        return;
    const double mapped = GetSlider()->Map(GetSlider()->value());
    if (!(mapped >= 0.0) || mapped >= double(stack->GetSliceCount()))
        return;
    const Image* slice = stack->GetImage(uint32_t(std::trunc(mapped)));
    if (!slice)
        return;

    busy = true;
    QImage built = slice->ToQImage(displayParameter1, displayParameter2);
    busy = false;
    if (built.isNull())
        return;
    image = std::move(built);
    // The RGB bytes are only needed by the 3-D view, so they are built when it asks.
    rgbBuffer.clear();
    rgbSource = slice;
    RescaleImage();
}

const std::vector<unsigned char>& SliceView::GetRgbBuffer()
{
    if (rgbSource) {
        // The slice must still belong to the bound stack; a stack that went leaves the old bytes.
        const VariableImageStack* stack = GetStack();
        const int index = GetCurrentIndex();
        if (stack && index >= 0 && stack->GetImage(uint32_t(index)) == rgbSource)
            rgbBuffer = rgbSource->ToOpenGlRGB();
        rgbSource = nullptr;
    }
    return rgbBuffer;
}
