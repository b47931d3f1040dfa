#include "app/Attachment.h"

#include "BoolImage.h"
#include "ui/LVXObjectWidget.h"

namespace {
// Buttons of attachments that do not choose their own colour.
const QColor defaultAttachmentColor(95, 158, 160);
} // namespace

Attachment::Attachment(const QString& name) : QObject(), LVXObject(name)
{
    SetType(LVX::AttachmentType);
}

// A copy is not docked anywhere until its own button is attached.
Attachment::Attachment(const Attachment& other)
    : QObject(), LVXObject(other), acceptedStackTypes(other.acceptedStackTypes)
{
}

LVXObject* Attachment::Clone() const
{
    return new Attachment(*this);
}

QColor Attachment::GetColor() const
{
    return defaultAttachmentColor;
}

void Attachment::SetChanged(bool changed)
{
    LVXObject::SetChanged(changed);
    // The views of the stack redraw the attachment when it changed.
    if (changed && parentWidget)
        emit parentWidget->attachmentsChanged();
}

void Attachment::SetParentWidget(LVXObjectWidget* widget)
{
    parentWidget = widget;
}

bool Attachment::IsRasterisable() const
{
    return false;
}

bool Attachment::IsOrientation(LVX::Orientation /*orientation*/) const
{
    return false;
}

SliceMask Attachment::GetMask(int /*width*/, int /*height*/, uint32_t slice) const
{
    SliceMask result;
    result.slice = slice;
    return result;
}

void Attachment::Refresh()
{
}

void Attachment::SetType(LVX::ObjectType t)
{
    LVXObject::SetType(t);
    if (t >= LVX::SnakeSequenceType && t <= LVX::LineType)
        acceptedStackTypes = {LVX::ImageStackType, LVX::VariableImageStackType};
    else
        acceptedStackTypes.clear();
}
