#include "BoolImage.h"
#include "Image.h"
#include "Matrix.h"
#include "Point.h"
#include "TypedImage.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>
#include <type_traits>

// Filters, resampling and drawing into images. Every operation looks at the pixel type once and
// then runs a loop over the typed pixel buffer.
namespace {

// Calls f with a value of the C++ pixel type of `type` (its value is irrelevant, only its type).
template <typename F> void WithPixelType(Image::Type type, F&& f)
{
    switch (type) {
    case Image::BYTE:
    case Image::BOOL:
        f(uint8_t{});
        break;
    case Image::USHORT:
        f(uint16_t{});
        break;
    case Image::UINT:
        f(uint32_t{});
        break;
    case Image::FLOAT:
        f(float{});
        break;
    case Image::RGB:
        f(RgbPixel{});
        break;
    }
}

template <typename T> inline float Scalar(T v)
{
    return float(v);
}
template <> inline float Scalar<RgbPixel>(RgbPixel v)
{
    return PixelTraits::ToFloat(v);
}

// The value without the rounding of float, for comparisons with thresholds.
template <typename T> inline double Exact(T v)
{
    return double(v);
}
template <> inline double Exact<RgbPixel>(RgbPixel v)
{
    return double(PixelTraits::ToFloat(v));
}

// Rounds to the nearest integer and saturates to the range of E; NaN gives 0.
template <typename E> inline E Store(float v)
{
    if constexpr (std::is_floating_point_v<E>) {
        return v;
    } else {
        constexpr float top = float(std::numeric_limits<E>::max());
        v = v > 0.0f ? v : 0.0f;
        if (v >= top)
            return std::numeric_limits<E>::max();
        return E(v + 0.5f);
    }
}

// The pixel that a drawing value becomes in an image of the given type: masks hold 0 or 1, RGB
// images a grey.
template <typename T> T DrawingPixel(float value, bool isMask)
{
    if constexpr (std::is_same_v<T, RgbPixel>) {
        const uint8_t g = Store<uint8_t>(value);
        return RgbPixel{g, g, g};
    } else {
        if (isMask)
            return T(value != 0.0f ? 1 : 0);
        return Store<T>(value);
    }
}

// --- correlation -------------------------------------------------------------------------------

// One non-zero kernel weight: it weighs the pixel dx to the right and dy above the output pixel.
struct Tap {
    int dx;
    int dy;
    float weight;
};

// out[x] (+)= weight * src[clamp(x + dx)] along one row.
template <typename T> void AccumulateRow(const T* src, float* out, int width, int dx, float weight, bool first)
{
    const int begin = std::clamp(-dx, 0, width);
    const int end = std::clamp(width - dx, begin, width);
    auto edge = [&](int x) {
        const float v = weight * Scalar(src[std::clamp(x + dx, 0, width - 1)]);
        out[x] = first ? v : out[x] + v;
    };
    for (int x = 0; x < begin; ++x)
        edge(x);
    const T* shifted = src + dx;
    if (first) {
        for (int x = begin; x < end; ++x)
            out[x] = weight * Scalar(shifted[x]);
    } else {
        for (int x = begin; x < end; ++x)
            out[x] += weight * Scalar(shifted[x]);
    }
    for (int x = end; x < width; ++x)
        edge(x);
}

std::unique_ptr<Image> Correlate(const Image& image, const std::vector<Tap>& taps)
{
    auto out = std::make_unique<FloatImage>(
        image.width, image.height, image.GetXResolution(), image.GetYResolution(), image.GetResUnit());
    const int w = image.width;
    const int h = image.height;
    if (w == 0 || h == 0 || taps.empty())
        return out;
    WithPixelType(image.GetType(), [&](auto tag) {
        using T = decltype(tag);
        const T* src = static_cast<const T*>(image.GetRawData());
        for (int y = 0; y < h; ++y) {
            float* row = out->Row(y);
            bool first = true;
            for (const Tap& t : taps) {
                const int sy = int(std::clamp<int64_t>(int64_t(y) + t.dy, 0, h - 1));
                AccumulateRow(src + size_t(sy) * size_t(w), row, w, t.dx, t.weight, first);
                first = false;
            }
        }
    });
    return out;
}

// The kernels used when the program has not installed its own (they have the same weights).
const std::vector<Tap>& DefaultDx()
{
    static const std::vector<Tap> taps{{-1, 0, -0.5f}, {1, 0, 0.5f}};
    return taps;
}
const std::vector<Tap>& DefaultDy()
{
    static const std::vector<Tap> taps{{0, 1, 0.5f}, {0, -1, -0.5f}};
    return taps;
}
const std::vector<Tap>& DefaultLaplace()
{
    static const std::vector<Tap> taps{{0, 1, 0.5f}, {-1, 0, 0.5f}, {0, 0, -2.0f}, {1, 0, 0.5f}, {0, -1, 0.5f}};
    return taps;
}

// --- resampling --------------------------------------------------------------------------------

// For every output position the source positions and weights that make it.
struct Resampler {
    std::vector<int> start; // first entry of output position k in index/weight; size count + 1
    std::vector<int> index;
    std::vector<float> weight;

    // Linear interpolation between pixel centres when enlarging; when shrinking, every source
    // pixel contributes by the part of it that the output pixel covers (area averaging).
    Resampler(int sourceCount, int targetCount, double factor)
    {
        start.reserve(size_t(targetCount) + 1);
        for (int k = 0; k < targetCount; ++k) {
            start.push_back(int(index.size()));
            if (factor >= 1.0) {
                const double s = std::clamp((k + 0.5) / factor - 0.5, 0.0, double(sourceCount - 1));
                const int i0 = int(s);
                const double f = s - i0;
                Add(i0, 1.0 - f);
                if (f > 0.0 && i0 + 1 < sourceCount)
                    Add(i0 + 1, f);
                continue;
            }
            const double a = std::clamp(k / factor, 0.0, double(sourceCount));
            const double b = std::clamp((k + 1) / factor, 0.0, double(sourceCount));
            const size_t first = index.size();
            double sum = 0.0;
            for (int i = int(a); i < sourceCount && double(i) < b; ++i) {
                const double cover = std::min(b, i + 1.0) - std::max(a, double(i));
                if (cover > 0.0) {
                    Add(i, cover);
                    sum += cover;
                }
            }
            if (sum <= 0.0) {
                Add(std::min(int(a), sourceCount - 1), 1.0);
                continue;
            }
            for (size_t j = first; j < weight.size(); ++j)
                weight[j] = float(weight[j] / sum);
        }
        start.push_back(int(index.size()));
    }

    void Add(int i, double w)
    {
        index.push_back(i);
        weight.push_back(float(w));
    }
};

// Resamples interleaved channels of element type E (RGB is three byte channels).
template <typename E>
void ResampleChannels(
    const E* src, int w, int h, E* dst, int nw, int nh, int channels, const Resampler& rx, const Resampler& ry)
{
    const size_t srcRow = size_t(w) * size_t(channels);
    const size_t dstRow = size_t(nw) * size_t(channels);
    // Horizontal pass of every source row into floats, then vertical pass per output row.
    std::vector<float> horizontal(size_t(h) * dstRow);
    for (int y = 0; y < h; ++y) {
        const E* s = src + size_t(y) * srcRow;
        float* o = horizontal.data() + size_t(y) * dstRow;
        for (int x = 0; x < nw; ++x)
            for (int c = 0; c < channels; ++c) {
                float sum = 0.0f;
                for (int j = rx.start[size_t(x)]; j < rx.start[size_t(x) + 1]; ++j)
                    sum += rx.weight[size_t(j)] * float(s[size_t(rx.index[size_t(j)]) * size_t(channels) + size_t(c)]);
                o[size_t(x) * size_t(channels) + size_t(c)] = sum;
            }
    }
    std::vector<float> acc(dstRow);
    for (int y = 0; y < nh; ++y) {
        std::fill(acc.begin(), acc.end(), 0.0f);
        for (int j = ry.start[size_t(y)]; j < ry.start[size_t(y) + 1]; ++j) {
            const float wgt = ry.weight[size_t(j)];
            const float* row = horizontal.data() + size_t(ry.index[size_t(j)]) * dstRow;
            for (size_t k = 0; k < dstRow; ++k)
                acc[k] += wgt * row[k];
        }
        E* d = dst + size_t(y) * dstRow;
        for (size_t k = 0; k < dstRow; ++k)
            d[k] = Store<E>(acc[k]);
    }
}

// The scaled size: truncate(n * factor), or -1 when the factor is not usable or the size too large.
int ScaledSize(int n, double factor)
{
    if (!std::isfinite(factor) || factor < 0.0)
        return -1;
    const double scaled = std::trunc(double(n) * factor);
    if (scaled > double(INT_MAX))
        return -1;
    return int(scaled);
}

RATIONAL ScaledResolution(const RATIONAL& r, double factor)
{
    if (r.ToDouble() == 0.0 || factor <= 0.0)
        return r;
    RATIONAL scaled;
    scaled = r.ToDouble() / factor;
    return scaled;
}

// --- lines -------------------------------------------------------------------------------------

// Clips the segment to the box [lo, hi] in both coordinates (Liang-Barsky); false when it misses.
bool ClipSegment(double& x0, double& y0, double& x1, double& y1, double xlo, double xhi, double ylo, double yhi)
{
    const double dx = x1 - x0;
    const double dy = y1 - y0;
    double t0 = 0.0, t1 = 1.0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x0 - xlo, xhi - x0, y0 - ylo, yhi - y0};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0)
                return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1)
            return false;
    }
    const double ax = x0 + t0 * dx, ay = y0 + t0 * dy;
    const double bx = x0 + t1 * dx, by = y0 + t1 * dy;
    x0 = ax;
    y0 = ay;
    x1 = bx;
    y1 = by;
    return true;
}

// Calls plot(x, y) for the 8-connected Bresenham line between two pixels.
template <typename Plot> void DrawLine(int x0, int y0, int x1, int y1, Plot&& plot)
{
    const int dx = std::abs(x1 - x0);
    const int dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1;
    const int sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    for (;;) {
        plot(x0, y0);
        if (x0 == x1 && y0 == y1)
            break;
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

} // namespace

// --- Image members -----------------------------------------------------------------------------

std::unique_ptr<Image> Image::Filter(const Matrix& kernel) const
{
    // Row i of the kernel weighs the row (centre - i) above the pixel, column j the pixel (j - centre)
    // to its right: the kernel reads like the picture, top row first.
    const int rows = int(kernel.Y());
    const int cols = int(kernel.X());
    const int cy = (rows - 1) / 2;
    const int cx = (cols - 1) / 2;
    std::vector<Tap> taps;
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < cols; ++j) {
            const double k = kernel.Item(uint32_t(i), uint32_t(j));
            if (k != 0.0)
                taps.push_back({j - cx, cy - i, float(k)});
        }
    return Correlate(*this, taps);
}

std::unique_ptr<Image> Image::ddx() const
{
    return DX ? Filter(*DX) : Correlate(*this, DefaultDx());
}

std::unique_ptr<Image> Image::ddy() const
{
    return DY ? Filter(*DY) : Correlate(*this, DefaultDy());
}

std::unique_ptr<Image> Image::laplace() const
{
    return LAPLACE ? Filter(*LAPLACE) : Correlate(*this, DefaultLaplace());
}

std::unique_ptr<Image> Image::Scale(double fx, double fy) const
{
    const int nw = ScaledSize(width, fx);
    const int nh = ScaledSize(height, fy);
    if (nw < 0 || nh < 0 || double(nw) * double(nh) > double(INT_MAX))
        return nullptr;
    const RATIONAL newXRes = ScaledResolution(xres, fx), newYRes = ScaledResolution(yres, fy);
    std::unique_ptr<Image> out;
    if (type == BOOL)
        out = Boolean(nw, nh, newXRes, newYRes, unit);
    else
        out = FromType(nw, nh, type, newXRes, newYRes, unit);
    if (!out || nw == 0 || nh == 0 || width == 0 || height == 0)
        return out;
    const Resampler rx(width, nw, fx);
    const Resampler ry(height, nh, fy);
    const void* src = GetRawData();
    void* dst = out->GetRawData();
    WithPixelType(type, [&](auto tag) {
        using T = decltype(tag);
        if constexpr (std::is_same_v<T, RgbPixel>)
            ResampleChannels(
                static_cast<const uint8_t*>(src), width, height, static_cast<uint8_t*>(dst), nw, nh, 3, rx, ry);
        else
            ResampleChannels(static_cast<const T*>(src), width, height, static_cast<T*>(dst), nw, nh, 1, rx, ry);
    });
    return out;
}

void Image::DrawThresholdMask(const Image& image, double min, double max, float belowValue, float aboveValue)
{
    const int w = std::min(width, image.width);
    const int h = std::min(height, image.height);
    if (w <= 0 || h <= 0)
        return;
    std::vector<double> values(static_cast<size_t>(w));
    const void* src = image.GetRawData();
    void* dst = GetRawData();
    const bool isMask = type == BOOL;
    for (int y = 0; y < h; ++y) {
        WithPixelType(image.GetType(), [&](auto tag) {
            using T = decltype(tag);
            const T* row = static_cast<const T*>(src) + size_t(y) * size_t(image.width);
            for (int x = 0; x < w; ++x)
                values[size_t(x)] = Exact(row[x]);
        });
        WithPixelType(type, [&](auto tag) {
            using T = decltype(tag);
            const T below = DrawingPixel<T>(belowValue, isMask);
            const T above = DrawingPixel<T>(aboveValue, isMask);
            T* row = static_cast<T*>(dst) + size_t(y) * size_t(width);
            for (int x = 0; x < w; ++x) {
                const double v = values[size_t(x)];
                if (v < min)
                    row[x] = below;
                else if (v > max)
                    row[x] = above;
            }
        });
    }
}

void Image::EmbedSpline(const std::vector<Point>& nodes, float value)
{
    if (nodes.empty() || width == 0 || height == 0)
        return;
    void* dst = GetRawData();
    const bool isMask = type == BOOL;
    WithPixelType(type, [&](auto tag) {
        using T = decltype(tag);
        const T pixel = DrawingPixel<T>(value, isMask);
        T* pixels = static_cast<T*>(dst);
        auto plot = [&](int x, int y) {
            if (Contains(x, y))
                pixels[size_t(y) * size_t(width) + size_t(x)] = pixel;
        };
        const size_t n = nodes.size();
        for (size_t k = 0; k < n; ++k) {
            const Point& a = nodes[k];
            const Point& b = nodes[(k + 1) % n];
            double x0 = std::floor(double(a.x) + 0.5), y0 = std::floor(double(a.y) + 0.5);
            double x1 = std::floor(double(b.x) + 0.5), y1 = std::floor(double(b.y) + 0.5);
            if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1))
                continue;
            // Only the part of the segment near the image is walked, however far the nodes lie.
            if (!ClipSegment(x0, y0, x1, y1, -1.0, double(width), -1.0, double(height)))
                continue;
            DrawLine(int(std::lround(x0)), int(std::lround(y0)), int(std::lround(x1)), int(std::lround(y1)), plot);
        }
    });
}
