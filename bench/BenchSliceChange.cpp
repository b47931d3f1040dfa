// Changing the slice of a slice view: UpdateImage + RescaleImage at zoom 1 on a 2048 x 2048 x 8
// 16-bit stack, against a plain memcpy of one slice's bytes in the same run. The goal is at most
// 10 x the memcpy. Run with QT_QPA_PLATFORM=offscreen.
#include "app/App.h"
#include "model/Settings.h"
#include "stacks/ImageStack.h"
#include "ui/LumivoxWnd.h"
#include "views/SliceView.h"
#include "views/ToolTipSlider.h"

#include <QApplication>
#include <QSignalBlocker>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr int kSize = 2048;
constexpr int kSlices = 8;
constexpr int kRuns = 40;

struct Timing {
    double medianCpu; // thread CPU time: other processes on the machine do not count
    double bestWall;
};

double CpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) * 1e-6;
}

// Runs work(i) kRuns times after one warm-up.
Timing Measure(const std::function<void(int)>& work)
{
    work(kRuns + 3);
    std::vector<double> cpu;
    double best = 1e300;
    for (int i = 0; i < kRuns; ++i) {
        const double c0 = CpuMs();
        const auto t0 = std::chrono::steady_clock::now();
        work(i);
        const auto t1 = std::chrono::steady_clock::now();
        cpu.push_back(CpuMs() - c0);
        best = std::min(best, std::chrono::duration<double, std::milli>(t1 - t0).count());
    }
    std::sort(cpu.begin(), cpu.end());
    return {cpu[cpu.size() / 2], best};
}

void Print(const char* what, const Timing& t)
{
    std::printf("%-44s  CPU median %8.3f ms   wall best %8.3f ms\n", what, t.medianCpu, t.bestWall);
}

// A tomogram-like stack: a smooth background, a bright disc moving with z, and noise.
std::unique_ptr<ImageStack> MakeStack()
{
    auto stack = std::make_unique<ImageStack>(
        kSize, kSize, Image::USHORT, RATIONAL(1, 1), RATIONAL(1, 1), RATIONAL(1, 1), "px");
    uint32_t state = 2024;
    for (int z = 0; z < kSlices; ++z) {
        auto image = Image::FromType(kSize, kSize, Image::USHORT, RATIONAL(1, 1), RATIONAL(1, 1), "px");
        auto* pixels = static_cast<uint16_t*>(image->GetRawData());
        const int cx = kSize / 2 + 40 * z;
        for (int y = 0; y < kSize; ++y) {
            for (int x = 0; x < kSize; ++x) {
                state = state * 1664525u + 1013904223u;
                const int dx = x - cx, dy = y - kSize / 2;
                const bool disc = dx * dx + dy * dy < 300 * 300;
                pixels[size_t(y) * kSize + x] = uint16_t(8000 + x + y + (disc ? 20000 : 0) + (state >> 22));
            }
        }
        stack->AppendImage(std::move(image));
    }
    return stack;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QTemporaryDir dir;
    Settings::Load(dir.filePath("lumivox.ini"));
    LumivoxWnd window;
    App app(&window);

    ImageStack* stack = app.registerObject(MakeStack());
    app.onContextMenuAction(window.CreateObjectWidget(stack), LVX::NewSliceView);
    SliceView* view = nullptr;
    for (LVXObject* object : app.Objects())
        if (!view)
            view = dynamic_cast<SliceView*>(object);
    if (!view) {
        std::fprintf(stderr, "no slice view was created\n");
        return 1;
    }

    const size_t sliceBytes = stack->GetImage(0)->GetByteCount();
    std::vector<unsigned char> target(sliceBytes);
    std::printf("slice change on a %d x %d x %d 16-bit stack (%zu bytes per slice), zoom %.2f\n", kSize, kSize, kSlices,
        sliceBytes, double(view->GetZoom()));

    const Timing copy = Measure(
        [&](int i) { std::memcpy(target.data(), stack->GetImage(uint32_t(i % kSlices))->GetRawData(), sliceBytes); });
    const Timing change = Measure([&](int i) {
        {
            const QSignalBlocker blocker(view->GetSlider());
            view->GetSlider()->setValue(i % kSlices);
        }
        view->UpdateImage();
        view->RescaleImage();
    });
    const Timing slider = Measure([&](int i) { view->GetSlider()->setValue((i + 1) % kSlices); });

    Print("memcpy of one slice", copy);
    Print("UpdateImage + RescaleImage", change);
    Print("slider change (image, overlays, offsets)", slider);
    std::printf("ratio UpdateImage + RescaleImage / memcpy: CPU %.2f, wall %.2f (goal <= 10)\n",
        change.medianCpu / copy.medianCpu, change.bestWall / copy.bestWall);
    return 0;
}
