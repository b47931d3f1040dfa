#pragma once

#include "Image.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// What lumivox-phantom is asked to make.
struct PhantomOptions {
    int width = 256;
    int height = 256;
    int depth = 96;
    double spacing = 1.0; // voxel size in all three directions, in `unit`
    std::string unit = "micron";
    Image::Type type = Image::USHORT;
    uint64_t seed = 1;
    QString output;
};

// A deterministic synthetic tomogram: a dark, noisy background, a curved tube whose centerline
// swings through the stack (something to straighten), and three bright ellipsoids, each entirely
// inside the volume and well apart from the tube (structures to segment slice by slice). The
// noise comes from the program's own generator, so the same options give the same bytes on
// every machine.
class Phantom {
public:
    struct Ellipsoid {
        double cx, cy, cz; // centre in voxels (x, y with rows upward, z the slice)
        double rx, ry, rz; // semi-axes in voxels
        double level;      // brightness as a fraction of the full scale
    };

    explicit Phantom(const PhantomOptions& options);

    const PhantomOptions& options() const { return opts; }
    // The value of brightness 1 in the pixel type (255 for 8-bit, 65535 for 16-bit, ...).
    double fullScale() const;
    double backgroundLevel() const { return 0.08; }
    double tubeWallLevel() const { return 0.5; }
    double tubeInnerLevel() const { return 0.22; }
    double tubeRadius() const { return outerRadius; }
    // The tube's centre in slice z.
    void tubeCenter(double z, double& x, double& y) const;
    const std::vector<Ellipsoid>& ellipsoids() const { return shapes; }

    // Slice z with its resolution (spacing) and unit.
    std::unique_ptr<Image> slice(int z) const;
    // Writes all slices as a multi-page TIFF (replacing the file only when complete). Returns
    // the bytes written, or -1 with `error` set.
    qint64 write(const QString& path, QString* error) const;

    static QString typeName(Image::Type type);
    static QString usage();
    // Reads the command-line arguments (without the program name). `help` is set for --help;
    // false with `error` set for anything that is not understood.
    static bool parseArguments(const QStringList& arguments, PhantomOptions& options, bool& help, QString& error);

private:
    struct SliceShapes;
    SliceShapes shapesOf(int z) const;
    void levels(const SliceShapes& shapes, int y, float* row) const;

    PhantomOptions opts;
    double outerRadius = 0;
    double innerRadius = 0;
    std::vector<Ellipsoid> shapes;
};
