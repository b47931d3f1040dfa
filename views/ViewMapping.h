#pragma once

#include "Point3D.h"
#include "model/LVX.h"

#include <QImage>
#include <QPoint>
#include <QPointF>
#include <QRect>

// How a paint widget shows an image, free of widgets so that tests, overlays and tools share it.
//
// The display image is the image at zoom z with nearest-neighbour pixels, anchored at the image
// origin (the bottom-left corner; image rows count upward): display column c, counted from the
// left, shows image column floor(c / z), and display row k, counted up from the bottom, shows
// image row floor(k / z). The display image has floor(n * z) pixels for n image pixels and lies
// with its top-left corner at the offset (ox, oy) on the widget. The zoom counts to the nearest
// millionth (a float 1.1 means 1.1). Every conversion below follows from that one rule, so the
// pixel drawn under a widget position is the pixel it converts to.
struct ViewMapping {
    float zoom = 1.0f;
    int offsetX = 0;
    int offsetY = 0;
    int imageWidth = 0; // of the display (zoomed) image
    int imageHeight = 0;
    int sourceWidth = 0; // of the image at zoom 1; 0 when not known (then derived from the display)
    int sourceHeight = 0;

    // One axis of the rule: the image index shown by display index d (counted from the origin),
    // the first display index that shows image index i, and the display size of n image pixels.
    static int DisplayToImage(int displayIndex, float zoom);
    static int FirstDisplayIndex(int imageIndex, float zoom);
    static int DisplaySize(int imageSize, float zoom); // at least 1 for a non-empty image

    // The image pixel drawn at a widget position (also outside the image: the rule extended).
    QPoint WidgetToImage(const QPoint& p) const;
    // The same pixel with its row counted from the top of the image at zoom 1.
    QPoint WidgetToImageFromTop(const QPoint& p) const;
    // The widget pixel where an image position is drawn: the position's place inside the widget
    // pixels that show its image pixel (an integer position is the bottom-left of that pixel).
    // Where the zoom leaves the pixel out, the widget pixel whose area covers the position.
    QPoint ImageToWidget(const QPoint& p) const;
    QPoint ImageToWidget(const QPointF& p) const;
    // The widget pixels that show the image pixels from `first` to `last` (inclusive, any corner
    // order); empty when the zoom leaves them all out. Not clipped: past the display image's
    // edges the rule runs on.
    QRect PixelsRect(const QPoint& first, const QPoint& last) const;
    QRect PixelRect(const QPoint& pixel) const { return PixelsRect(pixel, pixel); }
    // The middle of the widget pixels that show an image pixel (ImageToWidget where none does).
    QPoint PixelCenter(const QPoint& pixel) const;
    bool IsInsideImage(const QPoint& widgetPosition) const;
    int SourceWidth() const;
    int SourceHeight() const;

    // Plane coordinates of a stack point: XY (x, y), XZ (x, z), ZY (z, y).
    static QPointF StackToPlane(const Point3D& p, LVX::Orientation orientation);
    // The stack point of plane coordinates (u, v) with `index` along the plane normal.
    static Point3D PlaneToStack(const QPointF& planePoint, LVX::Orientation orientation, float index);
    // Whether the stack point lies on the plane with that index (truncation along the normal).
    static bool IsOnPlane(const Point3D& p, LVX::Orientation orientation, int index);
    // Offsets that put the centre (fractions of the image size) in the middle of the widget.
    static QPoint OffsetsFor(const QPointF& center, int widgetWidth, int widgetHeight, int imageWidth, int imageHeight);
};

// The display image of `source` (top row first, as Image::ToQImage makes it) at `zoom`, built by
// the rule of ViewMapping. Zoom 1 gives the source itself (shared).
QImage ScaleForDisplay(const QImage& source, float zoom);
