#include "Phantom.h"

#include "Tiff.h"
#include "TypedImage.h"

#include <QRegularExpression>
#include <QSaveFile>
#include <algorithm>
#include <cmath>
#include <type_traits>

namespace {

constexpr double kAmplitude = 0.18;   // of the width and height: how far the tube swings
constexpr double kNoiseSigma = 0.015; // of the full scale

// splitmix64: small, fast and the same everywhere.
struct Random {
    uint64_t state;
    uint64_t next()
    {
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Roughly normal: the sum of four 16-bit uniforms, centred (standard deviation 65535 / sqrt(3)).
    int64_t noise()
    {
        const uint64_t r = next();
        return int64_t((r & 0xFFFF) + ((r >> 16) & 0xFFFF) + ((r >> 32) & 0xFFFF) + (r >> 48)) - 2 * 65535;
    }
};

// Brightness plus noise, in the pixel type: integers rounded and kept inside their range.
template <typename T>
void Fill(T* pixels, const std::vector<float>& levels, size_t count, double fullScale, Random& random)
{
    const double noiseScale = kNoiseSigma * fullScale * 1.7320508075688772 / 65535.0;
    for (size_t i = 0; i < count; ++i) {
        const double v = double(levels[i]) * fullScale + double(random.noise()) * noiseScale;
        if constexpr (std::is_same_v<T, float>) {
            pixels[i] = float(v);
        } else {
            const double rounded = v + 0.5;
            pixels[i] = rounded <= 0.0 ? T(0) : (rounded >= fullScale ? T(fullScale) : T(rounded));
        }
    }
}

double Clamp01(double v)
{
    return v < 0.0 ? 0.0 : (v > 1.0 ? 1.0 : v);
}

bool ParseSize(const QString& text, PhantomOptions& options)
{
    const QRegularExpressionMatch m = QRegularExpression("^(\\d{1,6})x(\\d{1,6})x(\\d{1,6})$").match(text);
    if (!m.hasMatch())
        return false;
    const int w = m.captured(1).toInt();
    const int h = m.captured(2).toInt();
    const int d = m.captured(3).toInt();
    if (w < 1 || h < 1 || d < 1 || w > 65535 || h > 65535 || d > 65535)
        return false;
    options.width = w;
    options.height = h;
    options.depth = d;
    return true;
}

} // namespace

Phantom::Phantom(const PhantomOptions& options) : opts(options)
{
    const double w = opts.width;
    const double h = opts.height;
    const double d = opts.depth;
    outerRadius = 0.07 * std::min(w, h);
    innerRadius = 0.65 * outerRadius;
    // Placed away from the tube's path, each inside the volume with a margin.
    shapes = {
        {0.20 * w, 0.20 * h, 0.35 * d, 0.08 * w, 0.10 * h, 0.18 * d, 0.75},
        {0.78 * w, 0.25 * h, 0.60 * d, 0.10 * w, 0.07 * h, 0.15 * d, 0.65},
        {0.75 * w, 0.78 * h, 0.30 * d, 0.05 * w, 0.05 * h, 0.10 * d, 0.90},
    };
}

double Phantom::fullScale() const
{
    switch (opts.type) {
    case Image::USHORT:
        return 65535.0;
    case Image::UINT:
        return 1000000.0;
    case Image::FLOAT:
        return 1.0;
    default:
        return 255.0;
    }
}

void Phantom::tubeCenter(double z, double& x, double& y) const
{
    // An S-shaped swing in x and an arch in y over the depth.
    const double u = opts.depth > 1 ? 2.0 * z / double(opts.depth - 1) - 1.0 : 0.0;
    x = opts.width * (0.5 + kAmplitude * (1.5 * u - 0.5 * u * u * u));
    y = opts.height * (0.5 + kAmplitude * (1.0 - 2.0 * u * u));
}

// The shapes that slice z cuts, prepared once per slice.
struct Phantom::SliceShapes {
    double cx = 0, cy = 0;                // tube centre
    double tx = 0, ty = 0;                // in-plane part of the tube's unit tangent
    int x0 = 0, x1 = -1, y0 = 0, y1 = -1; // the tube's box in this slice
    struct Cut {
        const Ellipsoid* e;
        double dz;
        int x0, x1, y0, y1;
    };
    std::vector<Cut> cuts;
};

Phantom::SliceShapes Phantom::shapesOf(int z) const
{
    SliceShapes s;
    tubeCenter(z, s.cx, s.cy);
    const double du = opts.depth > 1 ? 2.0 / double(opts.depth - 1) : 0.0;
    const double u = opts.depth > 1 ? 2.0 * z / double(opts.depth - 1) - 1.0 : 0.0;
    const double dx = opts.width * kAmplitude * (1.5 - 1.5 * u * u) * du;
    const double dy = opts.height * kAmplitude * (-4.0 * u) * du;
    const double norm = std::sqrt(dx * dx + dy * dy + 1.0);
    s.tx = dx / norm;
    s.ty = dy / norm;
    // The section of a leaning tube is stretched by 1 / cos of its lean.
    const double reach = outerRadius * norm + 2.0;
    s.x0 = std::max(0, int(std::floor(s.cx - reach)));
    s.x1 = std::min(opts.width - 1, int(std::ceil(s.cx + reach)));
    s.y0 = std::max(0, int(std::floor(s.cy - reach)));
    s.y1 = std::min(opts.height - 1, int(std::ceil(s.cy + reach)));
    for (const Ellipsoid& e : shapes) {
        const double dz = (z - e.cz) / e.rz;
        if (std::fabs(dz) > 1.0 + 1.0 / e.rz)
            continue;
        s.cuts.push_back({&e, dz, std::max(0, int(std::floor(e.cx - e.rx - 2))),
            std::min(opts.width - 1, int(std::ceil(e.cx + e.rx + 2))), std::max(0, int(std::floor(e.cy - e.ry - 2))),
            std::min(opts.height - 1, int(std::ceil(e.cy + e.ry + 2)))});
    }
    return s;
}

// The noise-free brightness of row y, as fractions of the full scale.
void Phantom::levels(const SliceShapes& s, int y, float* row) const
{
    std::fill(row, row + opts.width, float(backgroundLevel()));
    // The tube: distance of each pixel from the centerline's tangent at this slice.
    if (y >= s.y0 && y <= s.y1) {
        const double wall = tubeWallLevel() - backgroundLevel();
        const double inner = tubeInnerLevel() - tubeWallLevel();
        const double vy = y - s.cy;
        for (int x = s.x0; x <= s.x1; ++x) {
            const double vx = x - s.cx;
            const double along = vx * s.tx + vy * s.ty;
            const double d = std::sqrt(std::max(0.0, vx * vx + vy * vy - along * along));
            const double outside = Clamp01(outerRadius - d + 0.5);
            const double lumen = Clamp01(innerRadius - d + 0.5);
            row[x] = float(backgroundLevel() + outside * wall + lumen * inner);
        }
    }
    for (const SliceShapes::Cut& c : s.cuts) {
        if (y < c.y0 || y > c.y1)
            continue;
        const Ellipsoid& e = *c.e;
        const double rmin = std::min({e.rx, e.ry, e.rz});
        const double dy = (y - e.cy) / e.ry;
        for (int x = c.x0; x <= c.x1; ++x) {
            const double dx = (x - e.cx) / e.rx;
            const double q = std::sqrt(dx * dx + dy * dy + c.dz * c.dz);
            const double f = Clamp01((1.0 - q) * rmin + 0.5);
            if (f > 0.0)
                row[x] = float(row[x] * (1.0 - f) + e.level * f);
        }
    }
}

std::unique_ptr<Image> Phantom::slice(int z) const
{
    RATIONAL size;
    size = opts.spacing;
    std::unique_ptr<Image> image = Image::FromType(opts.width, opts.height, opts.type, size, size, opts.unit);
    if (!image || z < 0 || z >= opts.depth)
        return nullptr;
    const SliceShapes shapesHere = shapesOf(z);
    // Each slice has its own stream, so slices can be made in any order.
    Random random{opts.seed * 0xD1B54A32D192ED03ull + uint64_t(z) * 0x9E3779B97F4A7C15ull};
    random.next();
    std::vector<float> level(size_t(opts.width));
    const double scale = fullScale();
    const size_t w = size_t(opts.width);
    auto* raw = static_cast<unsigned char*>(image->GetRawData());
    const size_t rowBytes = w * size_t(image->GetBytesPerPixel());
    for (int y = 0; y < opts.height; ++y) {
        levels(shapesHere, y, level.data());
        unsigned char* row = raw + size_t(y) * rowBytes;
        switch (opts.type) {
        case Image::USHORT:
            Fill(reinterpret_cast<uint16_t*>(row), level, w, scale, random);
            break;
        case Image::UINT:
            Fill(reinterpret_cast<uint32_t*>(row), level, w, scale, random);
            break;
        case Image::FLOAT:
            Fill(reinterpret_cast<float*>(row), level, w, scale, random);
            break;
        default:
            Fill(row, level, w, scale, random);
            break;
        }
    }
    return image;
}

qint64 Phantom::write(const QString& path, QString* error) const
{
    std::vector<std::unique_ptr<Image>> slices;
    std::vector<const Image*> pointers;
    for (int z = 0; z < opts.depth; ++z) {
        slices.push_back(slice(z));
        if (!slices.back()) {
            if (error)
                *error = "Cannot make the slices";
            return -1;
        }
        pointers.push_back(slices.back().get());
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = "Cannot write " + path + ": " + file.errorString();
        return -1;
    }
    const qint64 bytes = Tiff::WriteStack(file, pointers, float(opts.spacing), opts.unit, error);
    if (bytes < 0) {
        file.cancelWriting();
        return -1;
    }
    if (!file.commit()) {
        if (error)
            *error = "Cannot write " + path + ": " + file.errorString();
        return -1;
    }
    return bytes;
}

QString Phantom::typeName(Image::Type type)
{
    switch (type) {
    case Image::USHORT:
        return "u16";
    case Image::UINT:
        return "u32";
    case Image::FLOAT:
        return "f32";
    default:
        return "u8";
    }
}

QString Phantom::usage()
{
    return "Usage: lumivox-phantom [options] output.tif\n"
           "Writes a synthetic tomogram as a multi-page TIFF: a dark, noisy background, a curved\n"
           "tube along the stack and three bright ellipsoids. The same options always give the\n"
           "same file.\n"
           "\n"
           "Options:\n"
           "  --size WxHxD   voxels (default 256x256x96)\n"
           "  --spacing S    voxel size in all three directions (default 1)\n"
           "  --unit U       unit of the voxel size (default micron)\n"
           "  --type T       u8, u16, u32 or f32 (default u16)\n"
           "  --seed N       seed of the noise (default 1)\n"
           "  --help         this text\n";
}

bool Phantom::parseArguments(const QStringList& arguments, PhantomOptions& options, bool& help, QString& error)
{
    help = false;
    bool outputGiven = false;
    for (int i = 0; i < arguments.size(); ++i) {
        QString arg = arguments[i];
        if (arg == "--help" || arg == "-h") {
            help = true;
            return true;
        }
        if (!arg.startsWith("--") || arg == "--") {
            if (outputGiven) {
                error = "More than one output file given: " + arg;
                return false;
            }
            options.output = arg;
            outputGiven = true;
            continue;
        }
        QString value;
        const int eq = arg.indexOf('=');
        if (eq > 0) {
            value = arg.mid(eq + 1);
            arg = arg.left(eq);
        } else if (i + 1 < arguments.size()) {
            value = arguments[++i];
        } else if (arg == "--size" || arg == "--spacing" || arg == "--unit" || arg == "--type" || arg == "--seed") {
            error = "Missing value for " + arg;
            return false;
        }
        if (arg == "--size") {
            if (!ParseSize(value, options)) {
                error = "Invalid size: " + value + " (expected WxHxD, each 1 to 65535, e.g. 256x256x96)";
                return false;
            }
        } else if (arg == "--spacing") {
            bool ok = false;
            const double s = value.toDouble(&ok);
            if (!ok || !std::isfinite(s) || s <= 0.0 || s > 1e9) {
                error = "Invalid spacing: " + value + " (expected a positive number)";
                return false;
            }
            options.spacing = s;
        } else if (arg == "--unit") {
            if (value.isEmpty() || value.contains('\n') || value.contains('\r')) {
                error = "Invalid unit: " + value;
                return false;
            }
            options.unit = value.toStdString();
        } else if (arg == "--type") {
            const QStringList names{"u8", "u16", "u32", "f32"};
            const Image::Type types[] = {Image::BYTE, Image::USHORT, Image::UINT, Image::FLOAT};
            const int t = names.indexOf(value);
            if (t < 0) {
                error = "Invalid type: " + value + " (expected u8, u16, u32 or f32)";
                return false;
            }
            options.type = types[t];
        } else if (arg == "--seed") {
            bool ok = false;
            const qulonglong seed = value.toULongLong(&ok);
            if (!ok) {
                error = "Invalid seed: " + value + " (expected a whole number from 0)";
                return false;
            }
            options.seed = seed;
        } else {
            error = "Unknown option: " + arg;
            return false;
        }
    }
    if (!outputGiven) {
        error = "No output file given";
        return false;
    }
    const uint64_t bytes = uint64_t(options.width) * uint64_t(options.height) * uint64_t(options.depth)
        * uint64_t(Image::BytesPerPixel(options.type));
    if (bytes > (uint64_t(4) << 30) - (uint64_t(1) << 20)) {
        error = QString("The stack would need %1 bytes; a TIFF file of this kind holds less than 4 GiB").arg(bytes);
        return false;
    }
    return true;
}
