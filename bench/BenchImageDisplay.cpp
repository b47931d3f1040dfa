// Display conversion of a 2048 x 2048 16-bit slice: Image::ToQImage against the plain vectorised
// min/max scaling of the same slice, which is the speed to aim for. Also the other pixel types and
// the OpenGL texture buffer.
#include "BenchTiming.h"
#include "Image.h"
#include "TypedImage.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

namespace {

constexpr int kSize = 2048;
constexpr int kRuns = 40;

using BenchTiming::Print;
using BenchTiming::Timing;

Timing Measure(const std::function<void()>& work)
{
    return BenchTiming::Measure(work, kRuns);
}

std::unique_ptr<Image> NoisySlice(Image::Type type)
{
    auto image = Image::FromType(kSize, kSize, type, RATIONAL(1, 1), RATIONAL(1, 1), "");
    uint32_t state = 2024;
    auto noise = [&] {
        state = state * 1664525u + 1013904223u;
        return float(state >> 8) / float(1 << 24) - 0.5f;
    };
    const float top = type == Image::BYTE ? 200.0f : 3000.0f;
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            const float r = std::hypot(x - 1000.0f, y - 1100.0f);
            float v = top * (0.2f + 0.1f * float(x) / kSize + (r < 600 ? 0.5f : 0.0f)) + top * 0.1f * noise();
            if ((x * 7919 + y * 104729) % 500009 == 0)
                v = type == Image::BYTE ? 255.0f : 65535.0f;
            image->Set(x, y, v);
        }
    return image;
}

// The reference: the smallest and largest value, then a linear scale to bytes, rows turned over.
// Both loops are plain enough for the compiler to vectorise.
void MinMaxScale(const uint16_t* pixels, int w, int h, uint8_t* out)
{
    const size_t n = size_t(w) * size_t(h);
    uint16_t lo = 65535, hi = 0;
    for (size_t i = 0; i < n; ++i) {
        lo = std::min(lo, pixels[i]);
        hi = std::max(hi, pixels[i]);
    }
    const float scale = 255.0f / float(std::max(1, hi - lo));
    const float offset = -float(lo) * scale + 0.5f;
    for (int y = 0; y < h; ++y) {
        const uint16_t* row = pixels + size_t(h - 1 - y) * size_t(w);
        uint8_t* line = out + size_t(y) * size_t(w);
        for (int x = 0; x < w; ++x)
            line[x] = uint8_t(float(row[x]) * scale + offset);
    }
}

} // namespace

int main()
{
    std::printf("Display conversion of a %d x %d slice, %d runs each\n\n", kSize, kSize, kRuns);
    unsigned checksum = 0;

    auto slice = NoisySlice(Image::USHORT);
    const auto* pixels = static_cast<const uint16_t*>(slice->GetRawData());
    std::vector<uint8_t> reference(size_t(kSize) * kSize);
    const Timing minmax = Measure([&] {
        MinMaxScale(pixels, kSize, kSize, reference.data());
        checksum += reference[12345];
    });
    const Timing display = Measure([&] {
        const QImage picture = slice->ToQImage(0, 45.0);
        checksum += picture.constScanLine(100)[100];
    });
    Print("16-bit: vectorised min/max scaling (reference)", minmax);
    Print("16-bit: ToQImage (quantile window, SSE2)", display);
    std::printf("%-48s %7.2f\n\n", "16-bit: ToQImage / reference (CPU median)", display.medianCpu / minmax.medianCpu);

    Print("16-bit: ToOpenGlRGB", Measure([&] { checksum += slice->ToOpenGlRGB()[999]; }));
    for (const auto& [type, name] : {std::pair{Image::BYTE, "8-bit: ToQImage"},
             std::pair{Image::UINT, "32-bit: ToQImage"}, std::pair{Image::FLOAT, "float: ToQImage"}}) {
        auto other = NoisySlice(type);
        Print(name, Measure([&] { checksum += other->ToQImage(0, 45.0).constScanLine(7)[7]; }));
    }
    std::printf("\n(checksum %u)\n", checksum);
    return 0;
}
