#pragma once

#include "model/LVXObject.h"

#include <QObject>
#include <memory>

class BoolImage;

// A mask rasterised from an attachment for one slice of one plane.
struct SliceMask {
    std::unique_ptr<BoolImage> mask;
    LVX::Orientation plane = LVX::XY;
    uint32_t slice = 0;
};

// The base of objects that belong to one image stack (contour sequences, annotations,
// selections, transform sequences). It is docked below its stack's button.
class Attachment : public QObject, public LVXObject {
    Q_OBJECT
public:
    explicit Attachment(const QString& name);
    Attachment(const Attachment& other);

    LVXObject* Clone() const override;
    LVXObjectWidget* GetParent() const override { return parentWidget; }
    QColor GetColor() const override;
    bool IsAttachment() const override { return true; }
    void SetChanged(bool changed) override; // also tells the stack's button when set

    // Operations added by attachments, in this order.
    virtual void SetParentWidget(LVXObjectWidget* widget);                  // the stack button it is docked to, or null
    virtual bool IsRasterisable() const;                                    // false
    virtual bool IsOrientation(LVX::Orientation orientation) const;         // false
    virtual SliceMask GetMask(int width, int height, uint32_t slice) const; // an empty mask
    virtual void Refresh(); // re-read what depends on the stack; nothing by default

    const std::vector<int32_t>& GetAcceptedStackTypes() const { return acceptedStackTypes; }

protected:
    void SetType(LVX::ObjectType t); // also sets the accepted stack types

private:
    std::vector<int32_t> acceptedStackTypes;
    LVXObjectWidget* parentWidget = nullptr;
};
