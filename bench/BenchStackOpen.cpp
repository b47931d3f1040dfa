// Opening a 512 x 512 x 512 16-bit stack as an ImageStack (the whole construction: directories,
// pages, spacing) against libtiff alone reading the same strips into one buffer advised for huge
// pages. Each measurement runs in its own child process, so that its peak resident size belongs
// to it alone. Usage: bench_stack_open [size] [rounds]

#include "Phantom.h"
#include "stacks/ImageStack.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <tiffio.h>
#include <unistd.h>

namespace {

struct Result {
    double seconds = -1.0;
    long peakKiB = 0;   // getrusage's maximum resident set size
    uint64_t bytes = 0; // pixel bytes read
};

double Now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Runs `measure` in a child process and returns what it reported.
template <typename F> Result InChild(F measure)
{
    int fds[2];
    if (pipe(fds) != 0)
        return {};
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        Result r = measure();
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        r.peakKiB = usage.ru_maxrss;
        const ssize_t written = write(fds[1], &r, sizeof r);
        _exit(written == ssize_t(sizeof r) ? 0 : 1);
    }
    close(fds[1]);
    Result r;
    if (pid < 0 || read(fds[0], &r, sizeof r) != ssize_t(sizeof r))
        r = Result{};
    close(fds[0]);
    if (pid > 0)
        waitpid(pid, nullptr, 0);
    return r;
}

Result OpenAsImageStack(const QString& path)
{
    Result r;
    const double start = Now();
    ImageStack stack{QFileInfo(path)};
    r.seconds = Now() - start;
    if (!stack.GetError().isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(stack.GetError()));
        r.seconds = -1.0;
    }
    for (uint32_t z = 0; z < stack.GetSliceCount(); ++z)
        r.bytes += stack.GetImage(z)->GetByteCount();
    return r;
}

// `mode` is "r" (libtiff maps the file into memory) or "rm" (it reads with read()).
Result ReadWithLibtiff(const QString& path, const char* mode)
{
    Result r;
    const double start = Now();
    TIFF* tif = TIFFOpen(QFile::encodeName(path).constData(), mode);
    if (!tif)
        return r;
    uint64_t total = 0;
    do {
        for (uint32_t s = 0; s < TIFFNumberOfStrips(tif); ++s)
            total += uint64_t(TIFFStripSize(tif));
    } while (TIFFReadDirectory(tif));
    const size_t hugePage = size_t(2) << 20;
    const size_t rounded = (total + hugePage - 1) / hugePage * hugePage;
    void* buffer = nullptr;
    if (posix_memalign(&buffer, hugePage, rounded) != 0) {
        TIFFClose(tif);
        return r;
    }
    madvise(buffer, rounded, MADV_HUGEPAGE);
    auto* out = static_cast<unsigned char*>(buffer);
    TIFFSetDirectory(tif, 0);
    do {
        for (uint32_t s = 0; s < TIFFNumberOfStrips(tif); ++s) {
            const tmsize_t n = TIFFReadEncodedStrip(tif, s, out, -1);
            if (n < 0)
                break;
            out += n;
        }
    } while (TIFFReadDirectory(tif));
    TIFFClose(tif);
    r.seconds = Now() - start;
    r.bytes = uint64_t(out - static_cast<unsigned char*>(buffer));
    std::free(buffer);
    return r;
}

} // namespace

int main(int argc, char** argv)
{
    const int size = argc > 1 ? std::max(8, std::atoi(argv[1])) : 512;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    const QString path = QString("/tmp/lumivox-bench-stack-%1.tif").arg(size);

    PhantomOptions options;
    options.width = options.height = options.depth = size;
    options.type = Image::USHORT;
    options.output = path;
    const Result written = InChild([&options, &path] {
        Result r;
        QString error;
        const double start = Now();
        const qint64 bytes = Phantom(options).write(path, &error);
        r.seconds = bytes < 0 ? -1.0 : Now() - start;
        if (bytes < 0)
            std::fprintf(stderr, "%s\n", qPrintable(error));
        return r;
    });
    if (written.seconds < 0) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
        return 1;
    }
    const double pixelBytes = double(size) * size * size * 2;
    std::printf("stack %d x %d x %d, 16-bit: %.0f pixel bytes, file %lld bytes (written in %.2f s)\n", size, size, size,
        pixelBytes, static_cast<long long>(QFileInfo(path).size()), written.seconds);

    // The baseline is the faster of libtiff's two ways of reading a file.
    Result best[3];
    long peak[3] = {};
    const char* const names[3] = {"ImageStack", "libtiff mmap", "libtiff read"};
    for (int k = 0; k < rounds; ++k) {
        const Result results[3] = {InChild([&path] { return OpenAsImageStack(path); }),
            InChild([&path] { return ReadWithLibtiff(path, "r"); }),
            InChild([&path] { return ReadWithLibtiff(path, "rm"); })};
        std::printf("round %d:", k + 1);
        for (int m = 0; m < 3; ++m) {
            if (results[m].seconds < 0 || double(results[m].bytes) != pixelBytes) {
                std::fprintf(stderr, "\n%s failed\n", names[m]);
                return 1;
            }
            std::printf(" %s %.3f s%s", names[m], results[m].seconds, m < 2 ? "," : "\n");
            if (best[m].seconds < 0 || results[m].seconds < best[m].seconds)
                best[m] = results[m];
            peak[m] = std::max(peak[m], results[m].peakKiB);
        }
    }
    const int baseline = best[1].seconds <= best[2].seconds ? 1 : 2;
    for (int m = 0; m < 3; ++m)
        std::printf("%-13s best %.3f s, %.2f GB/s, peak RSS %.1f MiB = %.2f x pixel bytes\n", names[m], best[m].seconds,
            pixelBytes / best[m].seconds / 1e9, peak[m] / 1024.0, peak[m] * 1024.0 / pixelBytes);
    std::printf("ratio: ImageStack at %.1f %% of %s (goal >= 80 %%)\n",
        100.0 * best[baseline].seconds / best[0].seconds, names[baseline]);
    return 0;
}
