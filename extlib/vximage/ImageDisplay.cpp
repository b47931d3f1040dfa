#include "TypedImage.h"

#include <algorithm>
#include <cmath>

// Display mapping of scalar images: a linear grey ramp between the smallest and largest value.
namespace ImageDisplay {

namespace {

template <typename T>
QImage ScalarToQImage(const T* pixels, int width, int height, short brightness, double contrastAngle)
{
    QImage out(width, height, QImage::Format_Grayscale8);
    if (width <= 0 || height <= 0)
        return out;
    const size_t n = size_t(width) * size_t(height);
    const auto [lo, hi] = std::minmax_element(pixels, pixels + n);
    const double low = double(*lo);
    const double range = std::max(double(*hi) - low, 1e-12);
    const double gain = std::tan(contrastAngle * M_PI / 180.0) * 255.0 / range;
    for (int y = 0; y < height; ++y) {
        const T* row = pixels + size_t(height - 1 - y) * size_t(width);
        uchar* line = out.scanLine(y);
        for (int x = 0; x < width; ++x)
            line[x] = uchar(std::clamp((double(row[x]) - low) * gain + brightness, 0.0, 255.0));
    }
    return out;
}

} // namespace

template <typename T> QImage ToQImage(const T* pixels, int width, int height, short brightness, double contrastAngle)
{
    return ScalarToQImage(pixels, width, height, brightness, contrastAngle);
}

template <> QImage ToQImage<RgbPixel>(const RgbPixel* pixels, int width, int height, short, double)
{
    QImage out(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y)
        std::copy_n(reinterpret_cast<const uchar*>(pixels + size_t(height - 1 - y) * size_t(width)), size_t(width) * 3,
            out.scanLine(y));
    return out;
}

template <typename T> std::vector<unsigned char> ToOpenGlRGB(const T* pixels, int width, int height)
{
    const QImage grey = ToQImage(pixels, width, height, 0, 45.0);
    std::vector<unsigned char> rgb(size_t(width) * size_t(height) * 3);
    for (int y = 0; y < height; ++y) {
        const uchar* line = grey.constScanLine(height - 1 - y);
        for (int x = 0; x < width; ++x) {
            const int c = grey.format() == QImage::Format_RGB888 ? 3 : 1;
            for (int k = 0; k < 3; ++k)
                rgb[(size_t(y) * size_t(width) + size_t(x)) * 3 + size_t(k)] = line[x * c + (c == 3 ? k : 0)];
        }
    }
    return rgb;
}

template QImage ToQImage<uint8_t>(const uint8_t*, int, int, short, double);
template QImage ToQImage<uint16_t>(const uint16_t*, int, int, short, double);
template QImage ToQImage<uint32_t>(const uint32_t*, int, int, short, double);
template QImage ToQImage<float>(const float*, int, int, short, double);
template std::vector<unsigned char> ToOpenGlRGB<uint8_t>(const uint8_t*, int, int);
template std::vector<unsigned char> ToOpenGlRGB<uint16_t>(const uint16_t*, int, int);
template std::vector<unsigned char> ToOpenGlRGB<uint32_t>(const uint32_t*, int, int);
template std::vector<unsigned char> ToOpenGlRGB<float>(const float*, int, int);
template std::vector<unsigned char> ToOpenGlRGB<RgbPixel>(const RgbPixel*, int, int);

} // namespace ImageDisplay
