#include "stacks/ImageStack.h"

#include "Data.h"
#include "model/Log.h"
#include "stacks/StackPixels.h"

#include <QXmlStreamWriter>
#include <climits>
#include <cmath>
#include <cstring>
#include <deque>

ImageStack::ImageStack(const QFileInfo& fileInfo) : VariableImageStack(fileInfo)
{
    SetType(LVX::ImageStackType);
    TakeFormatOfFirstSlice();
}

ImageStack::ImageStack(uint32_t width, uint32_t height, Image::Type pixelType, const RATIONAL& xResolution,
    const RATIONAL& yResolution, const RATIONAL& spacing, const std::string& unit)
    : VariableImageStack(spacing), width(width), height(height), xResolution(xResolution), yResolution(yResolution),
      unit(unit), pixelType(pixelType)
{
    SetType(LVX::ImageStackType);
}

ImageStack::~ImageStack()
{
    unit.clear();
}

LVXObject* ImageStack::Clone() const
{
    return new ImageStack(*this);
}

bool ImageStack::WriteXml(QXmlStreamWriter& xml)
{
    xml.writeStartElement("image_stack");
    return true;
}

void ImageStack::ReadTiff(Tiff* tiff)
{
    VariableImageStack::ReadTiff(tiff);
    TakeFormatOfFirstSlice();
}

void ImageStack::TakeFormatOfFirstSlice()
{
    const Image* first = nullptr;
    for (uint32_t z = 0; z < GetSliceCount() && !first; ++z)
        first = GetImage(z);
    if (!first) {
        width = height = 0;
        return;
    }
    width = uint32_t(first->width);
    height = uint32_t(first->height);
    xResolution = first->GetXResolution();
    yResolution = first->GetYResolution();
    unit = first->GetResUnit();
    pixelType = first->GetType();
}

std::unique_ptr<Image> ImageStack::GetXZPlane(uint32_t y) const
{
    const uint32_t count = GetSliceCount();
    if (y >= height || count > uint32_t(INT_MAX))
        return nullptr;
    auto plane = Image::FromType(int(width), int(count), pixelType, RATIONAL(1, 1), RATIONAL(1, 1), "px");
    if (!plane)
        return nullptr;
    auto* target = static_cast<unsigned char*>(plane->GetRawData());
    const size_t bpp = size_t(plane->GetBytesPerPixel());
    const size_t rowBytes = size_t(width) * bpp;
    for (uint32_t z = 0; z < count; ++z) {
        const Image* slice = GetImage(z);
        if (!slice)
            continue; // an empty slice stays black
        if (slice->GetType() == pixelType && uint32_t(slice->width) == width && int(y) < slice->height) {
            // Row y of slice z is row z of the plane.
            const auto* source = static_cast<const unsigned char*>(slice->GetRawData());
            std::memcpy(target + size_t(z) * rowBytes, source + size_t(y) * rowBytes, rowBytes);
        } else {
            // A slice that does not match the stack's format (only when built by hand).
            for (int x = 0; x < int(width); ++x)
                slice->Move(x, int(y), plane.get(), x, int(z));
        }
    }
    return plane;
}

namespace {

// Copies column x of a slice (bottom to top) into column z of a plane of `planeWidth` pixels.
template <size_t Bytes>
void CopyColumn(const unsigned char* source, size_t sourceWidth, size_t x, unsigned char* target, size_t planeWidth,
    size_t z, int rows)
{
    const unsigned char* s = source + x * Bytes;
    unsigned char* t = target + z * Bytes;
    for (int y = 0; y < rows; ++y) {
        std::memcpy(t, s, Bytes);
        s += sourceWidth * Bytes;
        t += planeWidth * Bytes;
    }
}

} // namespace

std::unique_ptr<Image> ImageStack::GetZYPlane(uint32_t x) const
{
    const uint32_t count = GetSliceCount();
    if (x >= width || count > uint32_t(INT_MAX))
        return nullptr;
    auto plane = Image::FromType(int(count), int(height), pixelType, RATIONAL(1, 1), RATIONAL(1, 1), "px");
    if (!plane)
        return nullptr;
    auto* target = static_cast<unsigned char*>(plane->GetRawData());
    for (uint32_t z = 0; z < count; ++z) {
        const Image* slice = GetImage(z);
        if (!slice)
            continue;
        if (slice->GetType() == pixelType && uint32_t(slice->width) == width && uint32_t(slice->height) == height) {
            const auto* source = static_cast<const unsigned char*>(slice->GetRawData());
            switch (plane->GetBytesPerPixel()) {
            case 1:
                CopyColumn<1>(source, width, x, target, count, z, int(height));
                break;
            case 2:
                CopyColumn<2>(source, width, x, target, count, z, int(height));
                break;
            case 3:
                CopyColumn<3>(source, width, x, target, count, z, int(height));
                break;
            default:
                CopyColumn<4>(source, width, x, target, count, z, int(height));
                break;
            }
        } else {
            for (int y = 0; y < int(height); ++y)
                slice->Move(int(x), y, plane.get(), int(z), y);
        }
    }
    return plane;
}

std::unique_ptr<VariableImageStack> ImageStack::Scale(double fx, double fy, double fz) const
{
    const uint32_t count = GetSliceCount();
    const double newWidth = std::trunc(double(width) * fx);
    const double newHeight = std::trunc(double(height) * fy);
    const double newCount = std::trunc(double(count) * fz);
    const auto usable = [](double f) { return std::isfinite(f) && f > 0.0; };
    if (!usable(fx) || !usable(fy) || !usable(fz) || newWidth >= double(INT_MAX) || newHeight >= double(INT_MAX)
        || newCount >= double(INT_MAX)) {
        Log::Error(QString("Cannot scale %1 by %2 x %3 x %4").arg(GetName()).arg(fx).arg(fy).arg(fz));
        return nullptr;
    }
    auto result = std::make_unique<ImageStack>(
        uint32_t(newWidth), uint32_t(newHeight), pixelType, xResolution, yResolution, GetSpacing(), unit);
    const uint32_t outCount = uint32_t(newCount);
    if (outCount == 0)
        return result;

    // Four in-plane-scaled source slices standing for slices i - 1, i, i + 1 and i + 2; a slice
    // beyond the stack repeats the last entry.
    std::deque<std::unique_ptr<Image>> window;
    uint32_t next = 0; // the source slice that enters the window next
    const auto enter = [&]() {
        const Image* source = next < count ? GetImage(next) : nullptr;
        std::unique_ptr<Image> entry = source ? source->Scale(fx, fy) : next < count ? nullptr : window.back()->Copy();
        if (!entry)
            entry = Image::FromType(int(newWidth), int(newHeight), pixelType, xResolution, yResolution, unit);
        window.push_back(std::move(entry));
        ++next;
    };
    enter();
    window.push_back(window.back()->Copy());
    enter();
    enter();
    uint32_t windowIndex = 0; // the source slice i that window[1] stands for

    const int w = int(newWidth);
    const int h = int(newHeight);
    std::vector<float> rows[4];
    for (auto& row : rows)
        row.resize(size_t(w));
    std::vector<float> out(static_cast<size_t>(w));
    for (uint32_t k = 0; k < outCount; ++k) {
        const double t = double(k) / fz;
        const uint32_t i = uint32_t(t);
        const double f = t - double(i);
        while (windowIndex < i) {
            window.pop_front();
            enter();
            ++windowIndex;
        }
        auto slice = Image::FromType(w, h, pixelType, xResolution, yResolution, unit);
        for (int y = 0; y < h; ++y) {
            for (int e = 0; e < 4; ++e)
                StackPixels::RowToFloat(*window[size_t(e)], y, rows[e].data(), w);
            for (int x = 0; x < w; ++x)
                out[size_t(x)] = float(Data::CubicInterpolate(
                    rows[0][size_t(x)], rows[1][size_t(x)], rows[2][size_t(x)], rows[3][size_t(x)], f));
            StackPixels::FloatToRow(*slice, y, out.data());
        }
        result->AppendImage(std::move(slice));
    }
    return result;
}
