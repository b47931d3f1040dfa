#pragma once

#include "app/Attachment.h"

#include <QPoint>
#include <cstdint>

namespace Att {

// An axis-aligned box in one plane of the stack: the corners (h0, v0) and (h1, v1) in the pixel
// coordinates of that plane, in no particular order. It rasterises into the same mask on every
// slice of its plane.
class Rectangle : public Attachment {
    Q_OBJECT
public:
    Rectangle(int32_t h0, int32_t h1, int32_t v0, int32_t v1, LVX::Orientation orientation);
    Rectangle(const Rectangle& other) = default;

    LVXObject* Clone() const override;
    bool WriteXml(QXmlStreamWriter& xml) override;
    bool IsRasterisable() const override { return true; }
    bool IsOrientation(LVX::Orientation orientation) const override { return orientation == orient; }
    // Every pixel of the box (edges included) that lies inside width x height.
    SliceMask GetMask(int width, int height, uint32_t slice) const override;

    int32_t GetH0() const { return h0; }
    int32_t GetH1() const { return h1; }
    int32_t GetV0() const { return v0; }
    int32_t GetV1() const { return v1; }
    LVX::Orientation GetOrientation() const { return orient; }
    void SetH0(int32_t value) { h0 = value; }
    void SetH1(int32_t value) { h1 = value; }
    void SetV0(int32_t value) { v0 = value; }
    void SetV1(int32_t value) { v1 = value; }

    // ((int)((h0 + h1) * 0.5f), (int)((v0 + v1) * 0.5f))
    QPoint GetCenter() const;
    // Shifts both corners so that the centre becomes `p`.
    void MoveCenter(const QPoint& p);

private:
    int32_t h0;
    int32_t v0;
    int32_t h1;
    int32_t v1;
    LVX::Orientation orient;
};

} // namespace Att
