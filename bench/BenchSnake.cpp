// Measures the active contour on one slice as the program drives it: one Step of a 200-node
// contour on a 512 x 512 slice (alone, and with a mask and a neighbouring contour), a settle of up
// to 20 steps (the default "Max. iterations per image"), and the Mask and Shrink around it.
//
// Usage: bench_snake [repetitions]   (default 50)
// The slice is 16-bit: a bright disc of radius 110 on a darker background with uniform noise from
// a fixed seed; the contour starts as a circle 5 pixels outside the disc.

#include "BoolImage.h"
#include "Image.h"
#include "Matrix.h"
#include "Snake.h"
#include "SnakeParams.h"
#include "TypedImage.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <random>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

// Wall-clock time and processor time since construction; on a shared machine the processor time
// shows the work done when the wall-clock time includes waiting.
struct Timer {
    std::chrono::steady_clock::time_point wall = std::chrono::steady_clock::now();
    std::clock_t cpu = std::clock();

    double Wall() const { return std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count(); }
    double Cpu() const { return double(std::clock() - cpu) / CLOCKS_PER_SEC; }
};

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

// Runs `work` `repetitions` times and prints the median and the minimum wall-clock time in ms.
template <typename Work> void Measure(const char* what, int repetitions, Work work)
{
    std::vector<double> times;
    Timer total;
    for (int r = 0; r < repetitions; ++r) {
        Timer t;
        work();
        times.push_back(t.Wall() * 1e3);
    }
    std::printf("%-44s median %8.3f ms   min %8.3f ms   (cpu %.3f s for %d runs)\n", what, Median(times),
        *std::min_element(times.begin(), times.end()), total.Cpu(), repetitions);
}

} // namespace

int main(int argc, char** argv)
{
    int repetitions = 50;
    if (argc > 1) {
        char* end = nullptr;
        const long value = std::strtol(argv[1], &end, 10);
        if (end == argv[1] || *end != '\0' || value < 1 || value > 100000) {
            std::fprintf(stderr, "bench_snake: the repetition count must be a number from 1 to 100000\n");
            return 2;
        }
        repetitions = int(value);
    }

    // The derivative kernels, as the program's entry point creates them.
    const double dx[9] = {0, 0, 0, -0.5, 0, 0.5, 0, 0, 0};
    const double dy[9] = {0, 0.5, 0, 0, 0, 0, 0, -0.5, 0};
    Image::DX = new Matrix(3, 3, dx);
    Image::DY = new Matrix(3, 3, dy);

    const int size = 512;
    const double cx = 256, cy = 256, radius = 110;
    UShortImage slice(size, size, RATIONAL(1, 1), RATIONAL(1, 1), "");
    std::mt19937 random(2024);
    std::uniform_int_distribution<int> noise(-400, 400);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            slice.At(x, y) = uint16_t((std::hypot(x - cx, y - cy) <= radius ? 30000 : 12000) + noise(random));

    std::unique_ptr<Image> ddx, ddy;
    Measure("ddx + ddy of the slice", repetitions, [&] {
        ddx = slice.ddx();
        ddy = slice.ddy();
    });

    const SnakeParams params(1.0, 1.0, 1.5, 0.5, 7, 3, 0, 2, SnakeParams::Black);
    const double seed = 2 * (radius + 5);
    const Snake start(Point(float(cx), float(cy)), seed, kPi * seed / 200, &params);
    std::printf(
        "contour: %zu nodes, %d x %d slice, disp %g, depth %g\n", start.Size(), size, size, params.disp, params.depth);

    Measure("Step (no mask, no neighbour)", repetitions, [&] {
        Snake s(start);
        s.Step(*ddx, *ddy, nullptr, nullptr);
    });

    // A mask from another contour beside the disc and a neighbouring slice's contour.
    const Snake other(Point(60, 60), 80, 4, &params);
    std::unique_ptr<BoolImage> mask;
    Measure("Mask of one contour (512 x 512)", repetitions, [&] { mask = Snake::Mask({&other}, size, size, true); });
    const Snake neighbour(Point(float(cx + 1), float(cy - 1)), 2 * radius, 3, &params);
    Measure("Step (mask and 230-node neighbour)", repetitions, [&] {
        Snake s(start);
        s.Step(*ddx, *ddy, mask.get(), &neighbour);
    });

    int steps = 0;
    Snake settled(start);
    Measure("settle, up to 20 steps (no mask)", std::max(1, repetitions / 5), [&] {
        settled = start;
        for (steps = 1; steps <= 20; ++steps) {
            settled.Step(*ddx, *ddy, nullptr, nullptr);
            if (!settled.GetIsMoved())
                break;
        }
    });
    double worst = 0.0;
    for (size_t i = 0; i < settled.Size(); ++i)
        worst = std::max(worst, std::fabs(std::hypot(settled[i].x - cx, settled[i].y - cy) - (radius + 0.5)));
    std::printf(
        "settle: %d steps, %zu nodes, worst node %.2f px from the edge\n", std::min(steps, 20), settled.Size(), worst);

    Measure("copy + Shrink(2, 0) of the settled contour", repetitions, [&] {
        Snake s(settled);
        s.Shrink(params.shrinkage, params.distance);
    });
    Measure("copy + Shrink(2, 4) (re-spaced)", repetitions, [&] {
        Snake s(settled);
        s.Shrink(params.shrinkage, 4);
    });

    delete Image::DX;
    delete Image::DY;
    Image::DX = Image::DY = nullptr;
    return 0;
}
