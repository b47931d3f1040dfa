// lumivox-phantom: writes a synthetic tomogram for trying the program and for benchmarks.

#include "Phantom.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    PhantomOptions options;
    bool help = false;
    QString error;
    if (!Phantom::parseArguments(QCoreApplication::arguments().mid(1), options, help, error)) {
        std::fprintf(stderr, "lumivox-phantom: %s\nTry lumivox-phantom --help\n", qPrintable(error));
        return 2;
    }
    if (help) {
        std::fputs(qPrintable(Phantom::usage()), stdout);
        return 0;
    }
    const Phantom phantom(options);
    const qint64 bytes = phantom.write(options.output, &error);
    if (bytes < 0) {
        std::fprintf(stderr, "lumivox-phantom: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("Wrote %s: %d x %d x %d voxels, %s, %lld bytes\n", qPrintable(options.output), options.width,
        options.height, options.depth, qPrintable(Phantom::typeName(options.type)), static_cast<long long>(bytes));
    return 0;
}
