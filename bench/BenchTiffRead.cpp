// Reading a TIFF stack: Tiff (open, then ReadAllImages) against libtiff alone reading the same
// strips into one buffer advised for huge pages, on the same file in the same run. Both start
// from a file path and end with every pixel in memory; the file sits in the page cache (one
// warm-up read first). Our time is split into the directory walk (the constructor) and the pixel
// read, and the walk is also timed with libtiff reading every directory (no shortcuts).
//
// Usage: bench_tiff_read [PATH]   PATH is only read. Without it, a 512 x 512 x 512 16-bit stack
// is written to /tmp/lumivox-bench-tiff-read.tif first and read from there.

#include "Phantom.h"
#include "Tiff.h"

#include <QCoreApplication>
#include <QFile>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sys/mman.h>
#include <tiffio.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since)
{
    return std::chrono::duration<double>(Clock::now() - since).count();
}

const char* WalkName(Tiff::Walk walk)
{
    switch (walk) {
    case Tiff::Walk::Libtiff:
        return "libtiff reads every directory";
    case Tiff::Walk::Directories:
        return "own parser reads every directory";
    case Tiff::Walk::ImageJBlock:
        return "ImageJ block: first and last directory";
    }
    return "";
}

// Our reader: open, then every page into one arena. Returns the pixel bytes read.
size_t ReadOurs(
    const QString& path, double& openSeconds, double& readSeconds, bool shortcuts = true, Tiff::Walk* walk = nullptr)
{
    const auto start = Clock::now();
    Tiff tiff(path, shortcuts);
    if (walk)
        *walk = tiff.GetWalk();
    openSeconds = Seconds(start);
    const auto read = Clock::now();
    const std::vector<std::unique_ptr<Image>> images = tiff.ReadAllImages();
    readSeconds = Seconds(read);
    size_t bytes = 0;
    for (const auto& image : images)
        bytes += image ? image->GetByteCount() : 0;
    if (!tiff.GetError().isEmpty())
        std::fprintf(stderr, "%s: %s\n", qPrintable(path), qPrintable(tiff.GetError()));
    return bytes;
}

// libtiff alone: every strip of every directory with TIFFReadEncodedStrip, one after the other,
// into a 2 MiB aligned buffer advised for huge pages (not touched before).
size_t ReadLibtiff(const QString& path, const char* mode, size_t total, double& seconds, double& stripSeconds)
{
    TIFFSetWarningHandler(nullptr);
    void* memory = nullptr;
    const size_t huge = size_t(2) << 20;
    const size_t rounded = (total + huge - 1) / huge * huge;
    if (posix_memalign(&memory, huge, rounded) != 0)
        return 0;
    madvise(memory, rounded, MADV_HUGEPAGE);
    auto* out = static_cast<unsigned char*>(memory);
    const auto start = Clock::now();
    TIFF* tif = TIFFOpen(QFile::encodeName(path).constData(), mode);
    size_t at = 0;
    stripSeconds = 0;
    if (tif) {
        do {
            const auto strips0 = Clock::now();
            const uint32_t strips = TIFFNumberOfStrips(tif);
            for (uint32_t s = 0; s < strips; ++s) {
                const tmsize_t n = TIFFReadEncodedStrip(tif, s, out + at, tmsize_t(total - at));
                if (n < 0)
                    break;
                at += size_t(n);
            }
            stripSeconds += Seconds(strips0);
        } while (TIFFReadDirectory(tif));
        TIFFClose(tif);
    }
    seconds = Seconds(start);
    std::free(memory);
    return at;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const bool given = argc > 1;
    const QString path = given ? QString::fromLocal8Bit(argv[1]) : QString("/tmp/lumivox-bench-tiff-read.tif");
    const int runs = 7;

    if (!given) {
        PhantomOptions options;
        options.width = 512;
        options.height = 512;
        options.depth = 512;
        options.type = Image::USHORT;
        QString error;
        const auto start = Clock::now();
        const qint64 fileBytes = Phantom(options).write(path, &error);
        if (fileBytes < 0) {
            std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(path), qPrintable(error));
            return 1;
        }
        std::printf("wrote %s: 512 x 512 x 512 16-bit, %lld bytes in %.2f s\n", qPrintable(path),
            static_cast<long long>(fileBytes), Seconds(start));
    }

    double open = 0, read = 0;
    Tiff::Walk walk = Tiff::Walk::Libtiff;
    const size_t total = ReadOurs(path, open, read, true, &walk); // warm-up: the file into the page cache
    if (total == 0) {
        std::fprintf(stderr, "nothing read from %s\n", qPrintable(path));
        return 1;
    }
    std::vector<double> ours, oursRead, oursOpen, fullOpen, chopped, whole, choppedStrips, wholeStrips;
    for (int r = 0; r < runs; ++r) {
        if (ReadOurs(path, open, read) != total)
            return 1;
        ours.push_back(open + read);
        oursOpen.push_back(open);
        oursRead.push_back(read);
        if (ReadOurs(path, open, read, false) != total)
            return 1;
        fullOpen.push_back(open);
        double seconds = 0, strips = 0;
        if (ReadLibtiff(path, "r", total, seconds, strips) != total)
            return 1;
        chopped.push_back(seconds);
        choppedStrips.push_back(strips);
        if (ReadLibtiff(path, "rc", total, seconds, strips) != total)
            return 1;
        whole.push_back(seconds);
        wholeStrips.push_back(strips);
    }
    const double gb = double(total) / 1e9;
    const double libtiffBest = std::min(Median(chopped), Median(whole));
    std::printf("%s: %zu pixel bytes; medians of %d runs\n", qPrintable(path), total, runs);
    std::printf("Tiff open + ReadAllImages     %7.3f s  %6.2f GB/s\n", Median(ours), gb / Median(ours));
    std::printf("  directory walk (open)       %7.3f s  = %5.1f %% of the pixel read (%s)\n", Median(oursOpen),
        100.0 * Median(oursOpen) / Median(oursRead), WalkName(walk));
    std::printf("  pixel read (ReadAllImages)  %7.3f s  %6.2f GB/s\n", Median(oursRead), gb / Median(oursRead));
    std::printf("  walk without shortcuts      %7.3f s  (libtiff reads every directory)\n", Median(fullOpen));
    std::printf("libtiff, default strip chop   %7.3f s  %6.2f GB/s  (strips alone %.3f s = %.2f GB/s)\n",
        Median(chopped), gb / Median(chopped), Median(choppedStrips), gb / Median(choppedStrips));
    std::printf("libtiff, whole strips (\"rc\")  %7.3f s  %6.2f GB/s  (strips alone %.3f s = %.2f GB/s)\n",
        Median(whole), gb / Median(whole), Median(wholeStrips), gb / Median(wholeStrips));
    std::printf("ratio, faster libtiff / ours (open to pixels)   %6.2f\n", libtiffBest / Median(ours));
    return 0;
}
