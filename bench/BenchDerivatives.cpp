// Derivative images (Image::ddx, ddy, laplace) of a 2048 x 2048 16-bit and float slice, with the
// program's kernels installed as the entry point installs them.
#include "BenchTiming.h"
#include "Image.h"
#include "Matrix.h"
#include "TypedImage.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kSize = 2048;
constexpr int kRuns = 20;

using BenchTiming::Print;
using BenchTiming::Timing;

Timing Measure(const std::function<void()>& work)
{
    return BenchTiming::Measure(work, kRuns);
}

std::unique_ptr<Image> NoisySlice(Image::Type type)
{
    auto image = Image::FromType(kSize, kSize, type, RATIONAL(1, 1), RATIONAL(1, 1), "");
    uint32_t state = 77;
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            state = state * 1664525u + 1013904223u;
            const float r = std::hypot(x - 1000.0f, y - 1100.0f);
            image->Set(x, y, (r < 600 ? 2000.0f : 600.0f) + float(state >> 24));
        }
    return image;
}

} // namespace

int main()
{
    const double dx[9] = {0, 0, 0, -0.5, 0, 0.5, 0, 0, 0};
    const double dy[9] = {0, 0.5, 0, 0, 0, 0, 0, -0.5, 0};
    const double laplace[9] = {0, 0.5, 0, 0.5, -2, 0.5, 0, 0.5, 0};
    Matrix kdx(3, 3, dx), kdy(3, 3, dy), klaplace(3, 3, laplace);
    Image::DX = &kdx;
    Image::DY = &kdy;
    Image::LAPLACE = &klaplace;

    std::printf("Derivatives of a %d x %d slice, %d runs each\n\n", kSize, kSize, kRuns);
    double checksum = 0;
    for (const auto& [type, name] : {std::pair{Image::USHORT, "16-bit"}, std::pair{Image::FLOAT, "float"}}) {
        auto slice = NoisySlice(type);
        const std::string label(name);
        Print((label + ": ddx").c_str(), Measure([&] { checksum += slice->ddx()->GetFloat(500, 500); }));
        Print((label + ": ddy").c_str(), Measure([&] { checksum += slice->ddy()->GetFloat(500, 500); }));
        Print((label + ": laplace").c_str(), Measure([&] { checksum += slice->laplace()->GetFloat(500, 500); }));
    }
    std::printf("\n(checksum %g)\n", checksum);
    Image::DX = Image::DY = Image::LAPLACE = nullptr;
    return 0;
}
