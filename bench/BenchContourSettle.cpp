// Measures "Image" on one slice as the controller runs it: ContourProcessing::IterateSlice with
// "Max. iterations per image" 20 on a 512 x 512 slice, through a view's GetSliceData, with the
// mask of the other sequences and the threshold window built on every step; for comparison the
// same number of bare Snake::Step calls without masks.
//
// Usage: bench_contour_settle [repetitions]   (default 20)
// The slice is 16-bit: a bright disc of radius 110 about the centre on a darker background with
// uniform noise from a fixed seed; the contour starts as a circle of radius 125 about the centre.

#include "BenchTiming.h"

#include "Image.h"
#include "Snake.h"
#include "TypedImage.h"
#include "app/Application.h"
#include "contours/ContourProcessing.h"
#include "contours/SharedSnakeParams.h"
#include "contours/SnakeSequence.h"
#include "model/Settings.h"
#include "views/ImageView.h"

#include <QApplication>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>

namespace {

// A view that shows one XY slice: its image and derivative images.
class OneSliceView : public ImageView {
public:
    OneSliceView(const Image* image, const Image* ddx, const Image* ddy)
        : ImageView("OneSlice"), image(image), ddx(ddx), ddy(ddy)
    {
    }
    int GetIndex(LVX::Orientation) const override { return 0; }
    bool IsValidIndex(int index, LVX::Orientation orientation) const override
    {
        return index == 0 && orientation == LVX::XY;
    }
    SliceImages GetSliceData(LVX::Orientation orientation) override
    {
        SliceImages data;
        if (orientation != LVX::XY)
            return data;
        data.image = image;
        data.ddx = ddx;
        data.ddy = ddy;
        return data;
    }

private:
    const Image* image;
    const Image* ddx;
    const Image* ddy;
};

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    int repetitions = 20;
    if (argc > 1) {
        const long value = std::strtol(argv[1], nullptr, 10);
        if (value < 1 || value > 100000) {
            std::fprintf(stderr, "repetitions must be 1 ... 100000\n");
            return 2;
        }
        repetitions = int(value);
    }
    Application::CreateKernels();

    Settings::ActiveContours& settings = Settings::Values().activeContours;
    settings.alpha = 0.5f;
    settings.beta = 0.5f;
    settings.gamma = 1.0f;
    settings.depth = 20;
    settings.disp = 3;
    settings.distance = 5.0f;
    settings.background = 1; // dark outside
    settings.maxIter = 20;
    SharedSnakeParams::UpdateFromSettings();

    const int size = 512;
    const double centre = 256, radius = 110;
    auto slice = std::make_unique<UShortImage>(size, size, RATIONAL(1, 1), RATIONAL(1, 1), "");
    std::mt19937 random(2024);
    std::uniform_int_distribution<int> noise(-400, 400);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            slice->At(x, y) = uint16_t((std::hypot(x - centre, y - centre) <= radius ? 30000 : 12000) + noise(random));
    const std::unique_ptr<Image> ddx = slice->ddx();
    const std::unique_ptr<Image> ddy = slice->ddy();

    OneSliceView view(slice.get(), ddx.get(), ddy.get());
    SnakeSequence sequence(QString("Settle"), 0, LVX::XY);
    const Snake seed{Point{float(centre), float(centre)}, 2 * 125.0, settings.distance, &SharedSnakeParams::Get()};
    const std::vector<SnakeSequence*> selected{&sequence};

    unsigned passes = 0;
    const auto settle = [&] {
        sequence.Clear();
        sequence.PushBack(std::make_unique<Snake>(seed));
        passes = ContourProcessing::IterateSlice(selected, view);
    };
    const BenchTiming::Timing timing = BenchTiming::Measure(settle, repetitions);
    std::printf("512 x 512 slice, %zu-node contour, %u passes (max. 20), %d runs\n", seed.Size(), passes, repetitions);
    BenchTiming::Print("IterateSlice (\"Image\")", timing);
    // The same settle with the contour library alone (no masks, no view): what processing adds.
    unsigned barePasses = 0;
    const auto bare = [&] {
        Snake snake(seed);
        barePasses = 0;
        do {
            snake.Step(*ddx, *ddy, nullptr, nullptr);
            ++barePasses;
        } while (snake.GetIsMoved() && barePasses < settings.maxIter);
    };
    const BenchTiming::Timing bareTiming = BenchTiming::Measure(bare, repetitions);
    std::printf("bare Snake::Step loop: %u passes\n", barePasses);
    BenchTiming::Print("Snake::Step x passes (no mask)", bareTiming);
    const Snake* settled = sequence.GetSnake(0);
    double meanRadius = 0;
    for (const Point& p : settled->GetPoints())
        meanRadius += std::hypot(p.x - centre, p.y - centre);
    std::printf("settled contour: %zu nodes, mean radius %.2f (disc %.0f)\n", settled->Size(),
        meanRadius / double(settled->Size()), radius);

    Application::DeleteKernels();
    return 0;
}
