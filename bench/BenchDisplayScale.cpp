// Zoomed display image of a 1024 x 1024 slice: ScaleForDisplay (the slice view's nearest scaling,
// pixel for pixel what the views pick) against QImage::scaled with Qt::FastTransformation on the
// same input in the same run, for the two formats Image::ToQImage makes and zooms from 0.25 to 6.
#include "BenchTiming.h"
#include "views/ViewMapping.h"

#include <QImage>
#include <cstdint>
#include <cstdio>

namespace {

constexpr int kSize = 1024;
constexpr int kRuns = 15;

QImage Slice(QImage::Format format)
{
    QImage image(kSize, kSize, QImage::Format_RGB32);
    for (int y = 0; y < kSize; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < kSize; ++x)
            line[x] = qRgb((x * 7) & 255, (y * 5) & 255, ((x ^ y) * 3) & 255);
    }
    return image.convertToFormat(format);
}

} // namespace

int main()
{
    std::printf("Zoomed display image of a %d x %d slice, %d runs each\n\n", kSize, kSize, kRuns);
    unsigned checksum = 0;
    for (const auto& [format, formatName] :
        {std::pair{QImage::Format_Grayscale8, "grey"}, std::pair{QImage::Format_RGB888, "RGB888"}}) {
        const QImage slice = Slice(format);
        for (const float zoom : {0.25f, 0.75f, 1.5f, 3.0f, 6.0f}) {
            const int w = ViewMapping::DisplaySize(kSize, zoom);
            const BenchTiming::Timing qt = BenchTiming::Measure(
                [&] {
                    const QImage scaled = slice.scaled(w, w, Qt::IgnoreAspectRatio, Qt::FastTransformation);
                    checksum += scaled.constScanLine(w / 2)[w / 3];
                },
                kRuns);
            const BenchTiming::Timing ours = BenchTiming::Measure(
                [&] {
                    const QImage scaled = ScaleForDisplay(slice, zoom);
                    checksum += scaled.constScanLine(w / 2)[w / 3];
                },
                kRuns);
            char what[96];
            std::snprintf(what, sizeof what, "%s zoom %.2f: QImage::scaled (baseline)", formatName, double(zoom));
            BenchTiming::Print(what, qt);
            std::snprintf(what, sizeof what, "%s zoom %.2f: ScaleForDisplay", formatName, double(zoom));
            BenchTiming::Print(what, ours);
            std::printf("%-48s  %7.2f\n\n", "ScaleForDisplay / baseline (CPU median)", ours.medianCpu / qt.medianCpu);
        }
    }
    std::printf("(checksum %u)\n", checksum);
    return 0;
}
