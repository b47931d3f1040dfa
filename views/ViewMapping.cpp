#include "views/ViewMapping.h"

#include "Data.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

namespace {

// The zoom as the fraction scale / ZoomDenominator. Zooms are set in percent or in quarter steps,
// and a float holds them only nearly (1.1f is 1.10000002); the nearest millionth gives back the
// zoom that was meant, and integer arithmetic on it puts every pixel edge exactly.
constexpr int64_t ZoomDenominator = 1000000;

int64_t ZoomScale(float zoom)
{
    // A zoom of 0, less or NaN would divide by zero; such a mapping is treated as unzoomed.
    if (!(zoom > 0.0f) || !std::isfinite(zoom))
        return ZoomDenominator;
    return std::clamp<int64_t>(std::llround(double(zoom) * double(ZoomDenominator)), 1, 1000 * ZoomDenominator);
}

int ClampToInt(int64_t value)
{
    return int(std::clamp<int64_t>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

int64_t FloorDiv(int64_t a, int64_t b) // b > 0
{
    const int64_t q = a / b;
    return (a % b != 0 && a < 0) ? q - 1 : q;
}

int64_t CeilDiv(int64_t a, int64_t b) // b > 0
{
    return -FloorDiv(-a, b);
}

// The display index (from the origin) where the image coordinate u is drawn: its place among the
// display pixels that show image pixel floor(u), or, where none does, the display pixel whose
// area covers u.
int DisplayIndexOf(double u, float zoom)
{
    if (!std::isfinite(u))
        return 0;
    const double clamped = std::clamp(u, -1e9, 1e9);
    const double pixel = std::floor(clamped);
    const int first = ViewMapping::FirstDisplayIndex(int(pixel), zoom);
    const int count = ViewMapping::FirstDisplayIndex(int(pixel) + 1, zoom) - first;
    if (count <= 0)
        return Data::TruncToInt(std::floor(clamped * double(ZoomScale(zoom)) / double(ZoomDenominator)));
    return first + std::min(count - 1, Data::TruncToInt(std::floor((clamped - pixel) * count)));
}

} // namespace

int ViewMapping::DisplayToImage(int displayIndex, float zoom)
{
    // The largest x with x * zoom <= d.
    return ClampToInt(FloorDiv(int64_t(displayIndex) * ZoomDenominator, ZoomScale(zoom)));
}

int ViewMapping::FirstDisplayIndex(int imageIndex, float zoom)
{
    return ClampToInt(CeilDiv(int64_t(imageIndex) * ZoomScale(zoom), ZoomDenominator));
}

int ViewMapping::DisplaySize(int imageSize, float zoom)
{
    if (imageSize <= 0)
        return 0;
    return std::max(1, ClampToInt(FloorDiv(int64_t(imageSize) * ZoomScale(zoom), ZoomDenominator)));
}

QPoint ViewMapping::WidgetToImage(const QPoint& p) const
{
    const int column = p.x() - offsetX;
    const int rowFromBottom = imageHeight - 1 - (p.y() - offsetY);
    return QPoint(DisplayToImage(column, zoom), DisplayToImage(rowFromBottom, zoom));
}

QPoint ViewMapping::WidgetToImageFromTop(const QPoint& p) const
{
    const QPoint pixel = WidgetToImage(p);
    return QPoint(pixel.x(), SourceHeight() - 1 - pixel.y());
}

QPoint ViewMapping::ImageToWidget(const QPoint& p) const
{
    return ImageToWidget(QPointF(p));
}

QPoint ViewMapping::ImageToWidget(const QPointF& p) const
{
    return QPoint(offsetX + DisplayIndexOf(p.x(), zoom), offsetY + imageHeight - 1 - DisplayIndexOf(p.y(), zoom));
}

QRect ViewMapping::PixelsRect(const QPoint& first, const QPoint& last) const
{
    const int left = FirstDisplayIndex(std::min(first.x(), last.x()), zoom);
    const int right = FirstDisplayIndex(std::max(first.x(), last.x()) + 1, zoom); // one past
    const int bottom = FirstDisplayIndex(std::min(first.y(), last.y()), zoom);
    const int top = FirstDisplayIndex(std::max(first.y(), last.y()) + 1, zoom); // one past
    if (right <= left || top <= bottom)
        return QRect();
    return QRect(offsetX + left, offsetY + imageHeight - top, right - left, top - bottom);
}

QPoint ViewMapping::PixelCenter(const QPoint& pixel) const
{
    const QRect drawn = PixelRect(pixel);
    return drawn.isEmpty() ? ImageToWidget(pixel) : drawn.center();
}

bool ViewMapping::IsInsideImage(const QPoint& widgetPosition) const
{
    // The displayed pixel under the position, counted from the image's top-left corner.
    const int column = widgetPosition.x() - offsetX;
    const int row = widgetPosition.y() - offsetY;
    return column >= 0 && column < imageWidth && row >= 0 && row < imageHeight;
}

namespace {

// The smallest image size whose display size reaches `displaySize`.
int SourceSizeOf(int displaySize, float zoom)
{
    if (displaySize <= 0)
        return 0;
    return ClampToInt(CeilDiv(int64_t(displaySize) * ZoomDenominator, ZoomScale(zoom)));
}

} // namespace

int ViewMapping::SourceWidth() const
{
    return sourceWidth > 0 ? sourceWidth : SourceSizeOf(imageWidth, zoom);
}

int ViewMapping::SourceHeight() const
{
    return sourceHeight > 0 ? sourceHeight : SourceSizeOf(imageHeight, zoom);
}

QPointF ViewMapping::StackToPlane(const Point3D& p, LVX::Orientation orientation)
{
    switch (orientation) {
    case LVX::XZ:
        return QPointF(p.x, p.z);
    case LVX::ZY:
        return QPointF(p.z, p.y);
    case LVX::XY:
    default:
        return QPointF(p.x, p.y);
    }
}

Point3D ViewMapping::PlaneToStack(const QPointF& planePoint, LVX::Orientation orientation, float index)
{
    const float u = float(planePoint.x());
    const float v = float(planePoint.y());
    switch (orientation) {
    case LVX::XZ:
        return Point3D(u, index, v);
    case LVX::ZY:
        return Point3D(index, v, u);
    case LVX::XY:
    default:
        return Point3D(u, v, index);
    }
}

bool ViewMapping::IsOnPlane(const Point3D& p, LVX::Orientation orientation, int index)
{
    float normal = p.z;
    if (orientation == LVX::XZ)
        normal = p.y;
    else if (orientation == LVX::ZY)
        normal = p.x;
    return Data::TruncToInt(double(normal)) == index;
}

QPoint ViewMapping::OffsetsFor(
    const QPointF& center, int widgetWidth, int widgetHeight, int imageWidth, int imageHeight)
{
    return QPoint(Data::TruncToInt(widgetWidth * 0.5 - imageWidth * center.x()),
        Data::TruncToInt(widgetHeight * 0.5 - imageHeight * center.y()));
}

QImage ScaleForDisplay(const QImage& source, float zoom)
{
    if (source.isNull())
        return QImage();
    if (ZoomScale(zoom) == ZoomDenominator)
        return source;
    // Whole bytes per pixel keep the copy loops simple; bit-packed images are rare here.
    const QImage image = source.depth() >= 8 ? source : source.convertToFormat(QImage::Format_RGB32);
    const int width = image.width();
    const int height = image.height();
    const int displayWidth = ViewMapping::DisplaySize(width, zoom);
    const int displayHeight = ViewMapping::DisplaySize(height, zoom);
    QImage display(displayWidth, displayHeight, image.format());
    if (display.isNull())
        return QImage(); // the allocation failed
    display.setColorTable(image.colorTable());

    std::vector<int> columns(static_cast<size_t>(displayWidth));
    for (int c = 0; c < displayWidth; ++c)
        columns[size_t(c)] = ViewMapping::DisplayToImage(c, zoom);
    const int bytesPerPixel = image.depth() / 8;
    const size_t rowBytes = size_t(displayWidth) * size_t(bytesPerPixel);

    int previousSourceRow = -1;
    for (int r = 0; r < displayHeight; ++r) {
        // The display image and the source are stored top row first; the rule counts rows up.
        const int sourceRow = height - 1 - ViewMapping::DisplayToImage(displayHeight - 1 - r, zoom);
        uchar* out = display.scanLine(r);
        if (sourceRow == previousSourceRow) {
            std::memcpy(out, display.constScanLine(r - 1), rowBytes);
            continue;
        }
        previousSourceRow = sourceRow;
        const uchar* in = image.constScanLine(sourceRow);
        switch (bytesPerPixel) {
        case 1:
            for (int c = 0; c < displayWidth; ++c)
                out[c] = in[columns[size_t(c)]];
            break;
        case 4: {
            // Scan lines are 32-bit aligned, so 32-bit pixels can be read as such.
            const auto* in32 = reinterpret_cast<const uint32_t*>(in);
            auto* out32 = reinterpret_cast<uint32_t*>(out);
            for (int c = 0; c < displayWidth; ++c)
                out32[c] = in32[columns[size_t(c)]];
            break;
        }
        default:
            for (int c = 0; c < displayWidth; ++c)
                std::memcpy(out + size_t(c) * size_t(bytesPerPixel),
                    in + size_t(columns[size_t(c)]) * size_t(bytesPerPixel), size_t(bytesPerPixel));
            break;
        }
    }
    return display;
}
