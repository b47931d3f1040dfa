#include "TypedImage.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Display mapping of images.
//
// Scalar images become 8-bit grey. The value window [lo, hi] is the 0.05 % .. 99.95 % quantile
// range of the image's values, estimated from an evenly spread subsample (about 2^18 pixels for 8-
// and 16-bit images, 2^16 for 32-bit and float ones; every pixel of smaller images). With the window's centre mid and
// the ramp's slope tan(contrastAngle) * 255 / (hi - lo), a value v becomes
//     grey = 127.5 + (v - mid) * slope + brightness,
// rounded and clamped to 0..255. At 45 degrees the window runs linearly from black to white;
// other angles turn the ramp about the window's centre. When the quantiles coincide (an image
// that is nearly constant) the window widens to the smallest and largest sampled value, and for a
// constant image to the span between the value and 0, so zero shows black and any other constant
// value white; no case divides by zero. NaN shows black, +inf white and -inf black.
//
// The mapping runs sixteen pixels at a time with SSE2 for every scalar type (on this kind of
// machine twice as fast as a lookup table over the 65536 values of a 16-bit image).
namespace ImageDisplay {

namespace {

constexpr double kLowQuantile = 0.0005;
constexpr double kHighQuantile = 0.9995;
constexpr size_t kHistogramSample = size_t(1) << 18; // 8- and 16-bit: a histogram is cheap
constexpr size_t kSortedSample = size_t(1) << 16;    // 32-bit and float: partial sorts

struct Window {
    double lo = 0.0;
    double hi = 1.0;
};

// Grey level g = (v - origin) * scale + offset; the caller clamps and rounds.
struct Ramp {
    double origin = 0.0;
    double scale = 1.0;
    double offset = 0.0;
};

Ramp MakeRamp(const Window& w, short brightness, double contrastAngle)
{
    if (!std::isfinite(contrastAngle))
        contrastAngle = 45.0;
    contrastAngle = std::clamp(contrastAngle, 0.0, 89.99);
    const double range = w.hi - w.lo;
    Ramp r;
    r.origin = w.lo;
    r.scale = std::tan(contrastAngle * M_PI / 180.0) * 255.0 / range;
    r.offset = 127.5 - 0.5 * range * r.scale + double(brightness);
    return r;
}

// Rounds and clamps a grey level; NaN gives 0.
inline uint8_t ToGrey(float g)
{
    g = g > 0.0f ? g : 0.0f;
    g = g < 255.0f ? g : 255.0f;
    return uint8_t(int(g + 0.5f));
}

// Calls visit(value) for an evenly spread subsample of the pixels: every pixel when there are few,
// otherwise every sy-th row and in it every sx-th pixel, the start shifted from row to row so that
// vertical stripes cannot alias with the step.
template <typename T, typename Visit>
void ForEachSample(const T* pixels, int width, int height, size_t target, Visit&& visit)
{
    const size_t n = size_t(width) * size_t(height);
    if (n <= 2 * target) {
        for (size_t i = 0; i < n; ++i)
            visit(pixels[i]);
        return;
    }
    const int step = std::max(1, int(std::ceil(std::sqrt(double(n) / double(target)))));
    const int sy = std::min(step, height);
    const int sx = std::max(1, int(std::ceil(double(n) / double(target) / double(sy))));
    int shift = 0;
    for (int y = sy / 2; y < height; y += sy) {
        const T* row = pixels + size_t(y) * size_t(width);
        for (int x = shift; x < width; x += sx)
            visit(row[x]);
        shift = (shift + 1 + sx / 2) % sx;
    }
}

// The window of a constant or nearly constant sample: its extremes, or the value and 0.
Window WidenFlatWindow(double lo, double hi, double sampleMin, double sampleMax)
{
    if (hi > lo)
        return {lo, hi};
    if (sampleMax > sampleMin)
        return {sampleMin, sampleMax};
    const double v = sampleMin;
    if (v > 0.0)
        return {0.0, v};
    if (v < 0.0)
        return {v, 0.0};
    return {0.0, 1.0};
}

size_t LowRank(size_t count)
{
    return size_t(std::floor(kLowQuantile * double(count - 1)));
}

size_t HighRank(size_t count)
{
    return std::min(count - 1, size_t(std::ceil(kHighQuantile * double(count - 1))));
}

// Quantile window of 8- and 16-bit images from a histogram of the sample.
template <typename T> Window HistogramWindow(const T* pixels, int width, int height)
{
    constexpr size_t bins = size_t(std::numeric_limits<T>::max()) + 1;
    std::vector<uint32_t> histogram(bins, 0);
    size_t count = 0;
    ForEachSample(pixels, width, height, kHistogramSample, [&](T v) {
        ++histogram[v];
        ++count;
    });
    if (count == 0)
        return {};
    const size_t lowRank = LowRank(count);
    const size_t highRank = HighRank(count);
    double lo = 0.0, hi = 0.0;
    size_t cumulative = 0;
    for (size_t v = 0; v < bins; ++v) {
        const size_t before = cumulative;
        cumulative += histogram[v];
        if (before <= lowRank && cumulative > lowRank)
            lo = double(v);
        if (cumulative > highRank) {
            hi = double(v);
            break;
        }
    }
    if (hi > lo)
        return {lo, hi};
    size_t first = 0, last = bins - 1;
    while (histogram[first] == 0)
        ++first;
    while (histogram[last] == 0)
        --last;
    const double sampleMin = double(first), sampleMax = double(last);
    return WidenFlatWindow(lo, hi, sampleMin, sampleMax);
}

// Quantile window of 32-bit and float images from a partially sorted sample; NaN and infinities
// are left out.
template <typename T> Window SortedSampleWindow(const T* pixels, int width, int height)
{
    std::vector<T> sample;
    sample.reserve(std::min(size_t(width) * size_t(height), 2 * kSortedSample + size_t(width)));
    ForEachSample(pixels, width, height, kSortedSample, [&](T v) {
        if constexpr (std::is_floating_point_v<T>) {
            if (!std::isfinite(v))
                return;
        }
        sample.push_back(v);
    });
    if (sample.empty())
        return {};
    const size_t lowRank = LowRank(sample.size());
    const size_t highRank = HighRank(sample.size());
    std::nth_element(sample.begin(), sample.begin() + std::ptrdiff_t(lowRank), sample.end());
    const double lo = double(sample[lowRank]);
    std::nth_element(sample.begin() + std::ptrdiff_t(lowRank), sample.begin() + std::ptrdiff_t(highRank), sample.end());
    const double hi = double(sample[highRank]);
    if (hi > lo)
        return {lo, hi};
    const auto [mn, mx] = std::minmax_element(sample.begin(), sample.end());
    return WidenFlatWindow(lo, hi, double(*mn), double(*mx));
}

template <typename T> Window FindWindow(const T* pixels, int width, int height)
{
    if constexpr (sizeof(T) <= 2)
        return HistogramWindow(pixels, width, height);
    else
        return SortedSampleWindow(pixels, width, height);
}

#if defined(__SSE2__)
// Sixteen grey levels to bytes as ToGrey does (maxps returns its second operand for NaN).
inline __m128i GreyBytes(__m128 g0, __m128 g1, __m128 g2, __m128 g3)
{
    const __m128 zero = _mm_setzero_ps();
    const __m128 top = _mm_set1_ps(255.0f);
    const __m128 half = _mm_set1_ps(0.5f);
    auto round = [&](__m128 g) { return _mm_cvttps_epi32(_mm_add_ps(_mm_min_ps(_mm_max_ps(g, zero), top), half)); };
    return _mm_packus_epi16(_mm_packs_epi32(round(g0), round(g1)), _mm_packs_epi32(round(g2), round(g3)));
}
#endif

// dst[x] = grey of (src[x] - origin) * scale + offset.
void MapFloatRow(const float* src, uint8_t* dst, int width, float origin, float scale, float offset)
{
    int x = 0;
#if defined(__SSE2__)
    const __m128 o = _mm_set1_ps(origin), s = _mm_set1_ps(scale), c = _mm_set1_ps(offset);
    auto grey = [&](int at) { return _mm_add_ps(_mm_mul_ps(_mm_sub_ps(_mm_loadu_ps(src + at), o), s), c); };
    for (; x + 16 <= width; x += 16)
        _mm_storeu_si128(
            reinterpret_cast<__m128i*>(dst + x), GreyBytes(grey(x), grey(x + 4), grey(x + 8), grey(x + 12)));
#endif
    for (; x < width; ++x)
        dst[x] = ToGrey((src[x] - origin) * scale + offset);
}

// The same for 8- and 16-bit values, which convert to float exactly.
template <typename T> void MapSmallRow(const T* src, uint8_t* dst, int width, float origin, float scale, float offset)
{
    static_assert(std::is_same_v<T, uint8_t> || std::is_same_v<T, uint16_t>);
    int x = 0;
#if defined(__SSE2__)
    const __m128 o = _mm_set1_ps(origin), s = _mm_set1_ps(scale), c = _mm_set1_ps(offset);
    const __m128i zero = _mm_setzero_si128();
    auto grey = [&](__m128i v) { return _mm_add_ps(_mm_mul_ps(_mm_sub_ps(_mm_cvtepi32_ps(v), o), s), c); };
    for (; x + 16 <= width; x += 16) {
        __m128i a, b; // sixteen values widened to 16 bits
        if constexpr (std::is_same_v<T, uint8_t>) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + x));
            a = _mm_unpacklo_epi8(v, zero);
            b = _mm_unpackhi_epi8(v, zero);
        } else {
            a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + x));
            b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + x + 8));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + x),
            GreyBytes(grey(_mm_unpacklo_epi16(a, zero)), grey(_mm_unpackhi_epi16(a, zero)),
                grey(_mm_unpacklo_epi16(b, zero)), grey(_mm_unpackhi_epi16(b, zero))));
    }
#endif
    for (; x < width; ++x)
        dst[x] = ToGrey((float(src[x]) - origin) * scale + offset);
}

// The same for unsigned 32-bit values; the distance above the origin is taken in integers so that
// values near 2^32 keep their precision.
void MapUIntRow(const uint32_t* src, uint8_t* dst, int width, uint32_t origin, float scale, float offset)
{
    int x = 0;
#if defined(__SSE2__)
    const __m128i sign = _mm_set1_epi32(int(0x80000000u));
    const __m128i o = _mm_set1_epi32(int(origin));
    const __m128i oSigned = _mm_xor_si128(o, sign);
    const __m128i low16 = _mm_set1_epi32(0xffff);
    const __m128 sHigh = _mm_set1_ps(scale * 65536.0f), s = _mm_set1_ps(scale), c = _mm_set1_ps(offset);
    auto grey = [&](int at) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + at));
        const __m128i above = _mm_cmpgt_epi32(_mm_xor_si128(v, sign), oSigned); // unsigned v > origin
        const __m128i d = _mm_and_si128(_mm_sub_epi32(v, o), above);
        const __m128 high = _mm_cvtepi32_ps(_mm_srli_epi32(d, 16));
        const __m128 low = _mm_cvtepi32_ps(_mm_and_si128(d, low16));
        return _mm_add_ps(_mm_mul_ps(high, sHigh), _mm_add_ps(_mm_mul_ps(low, s), c));
    };
    for (; x + 16 <= width; x += 16)
        _mm_storeu_si128(
            reinterpret_cast<__m128i*>(dst + x), GreyBytes(grey(x), grey(x + 4), grey(x + 8), grey(x + 12)));
#endif
    for (; x < width; ++x) {
        const uint32_t d = src[x] > origin ? src[x] - origin : 0u;
        dst[x] = ToGrey(float(d) * scale + offset);
    }
}

// Maps rows of one scalar type to grey levels.
template <typename T> class GreyMapper {
public:
    GreyMapper(const T* pixels, int width, int height, short brightness, double contrastAngle)
    {
        const Ramp ramp = MakeRamp(FindWindow(pixels, width, height), brightness, contrastAngle);
        origin = T(ramp.origin);
        scale = float(ramp.scale);
        offset = float(ramp.offset);
    }

    void MapRow(const T* __restrict src, uint8_t* __restrict dst, int width) const
    {
        if constexpr (sizeof(T) <= 2)
            MapSmallRow(src, dst, width, float(origin), scale, offset);
        else if constexpr (std::is_floating_point_v<T>)
            MapFloatRow(src, dst, width, origin, scale, offset);
        else
            MapUIntRow(src, dst, width, origin, scale, offset);
    }

private:
    T origin{};
    float scale = 1.0f;
    float offset = 0.0f;
};

} // namespace

template <typename T> QImage ToQImage(const T* pixels, int width, int height, short brightness, double contrastAngle)
{
    if (width <= 0 || height <= 0)
        return QImage();
    QImage out(width, height, QImage::Format_Grayscale8);
    if (out.isNull())
        return out;
    const GreyMapper<T> mapper(pixels, width, height, brightness, contrastAngle);
    for (int y = 0; y < height; ++y)
        mapper.MapRow(pixels + size_t(height - 1 - y) * size_t(width), out.scanLine(y), width);
    return out;
}

template <> QImage ToQImage<RgbPixel>(const RgbPixel* pixels, int width, int height, short, double)
{
    if (width <= 0 || height <= 0)
        return QImage();
    QImage out(width, height, QImage::Format_RGB888);
    if (out.isNull())
        return out;
    for (int y = 0; y < height; ++y)
        std::memcpy(out.scanLine(y), pixels + size_t(height - 1 - y) * size_t(width), size_t(width) * 3);
    return out;
}

template <typename T> std::vector<unsigned char> ToOpenGlRGB(const T* pixels, int width, int height)
{
    if (width <= 0 || height <= 0)
        return {};
    std::vector<unsigned char> rgb(size_t(width) * size_t(height) * 3);
    const GreyMapper<T> mapper(pixels, width, height, 0, 45.0);
    std::vector<uint8_t> grey(static_cast<size_t>(width));
    for (int y = 0; y < height; ++y) {
        mapper.MapRow(pixels + size_t(y) * size_t(width), grey.data(), width);
        unsigned char* out = rgb.data() + size_t(y) * size_t(width) * 3;
        // Four bytes stored per pixel, the fourth overwritten by the next pixel; the last
        // pixel of the buffer is written byte by byte.
        const int whole = y + 1 < height ? width : width - 1;
        for (int x = 0; x < whole; ++x) {
            const uint32_t triple = uint32_t(grey[size_t(x)]) * 0x010101u;
            std::memcpy(out + 3 * size_t(x), &triple, 4);
        }
        for (int x = whole; x < width; ++x)
            out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = grey[size_t(x)];
    }
    return rgb;
}

template <> std::vector<unsigned char> ToOpenGlRGB<RgbPixel>(const RgbPixel* pixels, int width, int height)
{
    if (width <= 0 || height <= 0)
        return {};
    const auto* bytes = reinterpret_cast<const unsigned char*>(pixels);
    return std::vector<unsigned char>(bytes, bytes + size_t(width) * size_t(height) * 3);
}

template QImage ToQImage<uint8_t>(const uint8_t*, int, int, short, double);
template QImage ToQImage<uint16_t>(const uint16_t*, int, int, short, double);
template QImage ToQImage<uint32_t>(const uint32_t*, int, int, short, double);
template QImage ToQImage<float>(const float*, int, int, short, double);
template std::vector<unsigned char> ToOpenGlRGB<uint8_t>(const uint8_t*, int, int);
template std::vector<unsigned char> ToOpenGlRGB<uint16_t>(const uint16_t*, int, int);
template std::vector<unsigned char> ToOpenGlRGB<uint32_t>(const uint32_t*, int, int);
template std::vector<unsigned char> ToOpenGlRGB<float>(const float*, int, int);

} // namespace ImageDisplay
