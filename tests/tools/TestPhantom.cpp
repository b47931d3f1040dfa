#include "Phantom.h"
#include "TestRegistry.h"
#include "Tiff.h"

#include <QCryptographicHash>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <cstring>

Q_DECLARE_METATYPE(Image::Type)

namespace {

QByteArray FileHash(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&f);
    return hash.result();
}

// The mean of the voxels of slice z inside the box [x0, x1) x [y0, y1).
double Mean(const Image& slice, int x0, int x1, int y0, int y1)
{
    double sum = 0;
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x, ++n)
            sum += slice.GetFloat(x, y);
    return n ? sum / n : 0.0;
}

PhantomOptions Small(Image::Type type, uint64_t seed)
{
    PhantomOptions o;
    o.width = 64;
    o.height = 48;
    o.depth = 20;
    o.type = type;
    o.seed = seed;
    o.spacing = 0.5;
    return o;
}

} // namespace

class TestPhantom : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void sameSeedSameBytes();
    void writesTheRequestedStack_data();
    void writesTheRequestedStack();
    void structuresStandOut_data();
    void structuresStandOut();
    void parsesArguments_data();
    void parsesArguments();

private:
    QTemporaryDir dir;
};

void TestPhantom::initTestCase()
{
    QVERIFY(dir.isValid());
}

void TestPhantom::sameSeedSameBytes()
{
    const QString a = dir.filePath("a.tif"), b = dir.filePath("b.tif"), c = dir.filePath("c.tif");
    QString error;
    QVERIFY(Phantom(Small(Image::USHORT, 7)).write(a, &error) > 0);
    QVERIFY(Phantom(Small(Image::USHORT, 7)).write(b, &error) > 0);
    QVERIFY(Phantom(Small(Image::USHORT, 8)).write(c, &error) > 0);
    QCOMPARE(FileHash(a), FileHash(b));
    QVERIFY(FileHash(a) != FileHash(c));
    QCOMPARE(QFileInfo(a).size(), QFileInfo(c).size());
    // Slices do not depend on the order in which they are made.
    const Phantom phantom(Small(Image::BYTE, 3));
    const auto late = phantom.slice(11);
    phantom.slice(2);
    const auto again = phantom.slice(11);
    QVERIFY(std::memcmp(late->GetRawData(), again->GetRawData(), late->GetByteCount()) == 0);
}

void TestPhantom::writesTheRequestedStack_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("depth");
    QTest::addColumn<Image::Type>("type");
    QTest::addColumn<float>("spacing");
    QTest::addColumn<QString>("unit");
    QTest::newRow("defaults") << QStringList() << 256 << 256 << 96 << Image::USHORT << 1.0f << "micron";
    QTest::newRow("8-bit") << QStringList{"--size", "33x17x5", "--type", "u8", "--spacing", "0.25"} << 33 << 17 << 5
                           << Image::BYTE << 0.25f << "micron";
    QTest::newRow("32-bit") << QStringList{"--size=20x30x4", "--type=u32", "--unit=nm", "--spacing=2"} << 20 << 30 << 4
                            << Image::UINT << 2.0f << "nm";
    QTest::newRow("float") << QStringList{"--type", "f32", "--size", "16x16x16", "--seed", "99"} << 16 << 16 << 16
                           << Image::FLOAT << 1.0f << "micron";
}

void TestPhantom::writesTheRequestedStack()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, depth);
    QFETCH(Image::Type, type);
    QFETCH(float, spacing);
    QFETCH(QString, unit);
    const QString path = dir.filePath("stack.tif");
    PhantomOptions options;
    bool help = true;
    QString error;
    QVERIFY2(Phantom::parseArguments(arguments + QStringList{path}, options, help, error), qPrintable(error));
    QVERIFY(!help);
    QCOMPARE(options.output, path);
    QVERIFY2(Phantom(options).write(path, &error) > 0, qPrintable(error));

    Tiff tiff(path);
    QVERIFY(tiff.IsOpen());
    QCOMPARE(tiff.GetNumIfds(), uint32_t(depth));
    QVERIFY(tiff.IsEqualImageSizes());
    QCOMPARE(tiff.ReadImageJData().value("spacing").toFloat(), spacing);
    QCOMPARE(tiff.ReadImageJData().value("unit"), unit);
    const auto slices = tiff.ReadAllImages();
    QCOMPARE(slices.size(), size_t(depth));
    QCOMPARE(slices[0]->width, width);
    QCOMPARE(slices[0]->height, height);
    QCOMPARE(slices[0]->GetType(), type);
    QCOMPARE(float(slices[0]->GetXResolution()), spacing);
    QCOMPARE(float(slices[0]->GetYResolution()), spacing);
    QCOMPARE(QString::fromStdString(slices[0]->GetResUnit()), unit);
}

void TestPhantom::structuresStandOut_data()
{
    QTest::addColumn<Image::Type>("type");
    QTest::newRow("u8") << Image::BYTE;
    QTest::newRow("u16") << Image::USHORT;
    QTest::newRow("u32") << Image::UINT;
    QTest::newRow("f32") << Image::FLOAT;
}

void TestPhantom::structuresStandOut()
{
    QFETCH(Image::Type, type);
    PhantomOptions options;
    options.type = type;
    const Phantom phantom(options);
    const double background = phantom.backgroundLevel() * phantom.fullScale();

    // The corner region is background: its mean lies at the background level, its voxels vary.
    const auto first = phantom.slice(0);
    const double corner = Mean(*first, 0, 8, 0, 8);
    QVERIFY(std::fabs(corner - background) < 0.01 * phantom.fullScale());
    QVERIFY(first->GetFloat(0, 0) != first->GetFloat(1, 0) || first->GetFloat(2, 0) != first->GetFloat(3, 0));

    const auto& shapes = phantom.ellipsoids();
    QCOMPARE(shapes.size(), size_t(3));
    for (const Phantom::Ellipsoid& e : shapes) {
        // Entirely inside the volume, with a margin.
        QVERIFY(e.cx - e.rx > 1 && e.cx + e.rx < options.width - 2);
        QVERIFY(e.cy - e.ry > 1 && e.cy + e.ry < options.height - 2);
        QVERIFY(e.cz - e.rz > 1 && e.cz + e.rz < options.depth - 2);
        // Bright inside, background just outside along x.
        const auto slice = phantom.slice(int(std::lround(e.cz)));
        const int cx = int(std::lround(e.cx)), cy = int(std::lround(e.cy));
        const double inside = Mean(*slice, cx - 2, cx + 3, cy - 2, cy + 3);
        QVERIFY(inside > background + 0.4 * phantom.fullScale());
        const int outside = int(std::lround(e.cx + e.rx + 3));
        QVERIFY(
            std::fabs(Mean(*slice, outside, outside + 2, cy - 1, cy + 2) - background) < 0.03 * phantom.fullScale());
    }
    // The first ellipsoid is far from the tube in every slice it touches.
    const Phantom::Ellipsoid& e = shapes[0];
    for (int z = int(e.cz - e.rz); z <= int(e.cz + e.rz) + 1; ++z) {
        double x, y;
        phantom.tubeCenter(z, x, y);
        const double gap = std::hypot((x - e.cx) / e.rx, (y - e.cy) / e.ry);
        QVERIFY2(gap > 1.5, qPrintable(QString("slice %1").arg(z)));
    }
    // The tube: its wall is brighter than the background, at its centerline in every slice.
    for (int z : {0, options.depth / 2, options.depth - 1}) {
        double x, y;
        phantom.tubeCenter(z, x, y);
        const auto slice = phantom.slice(z);
        const double centre = Mean(*slice, int(x) - 1, int(x) + 2, int(y) - 1, int(y) + 2);
        QVERIFY(std::fabs(centre - phantom.tubeInnerLevel() * phantom.fullScale()) < 0.03 * phantom.fullScale());
        // Somewhere on a ring inside the wall (the section is stretched where the tube leans).
        double brightest = 0;
        for (int a = 0; a < 32; ++a) {
            const double angle = a * 2 * M_PI / 32;
            const double r = 0.82 * phantom.tubeRadius();
            brightest = std::max(brightest,
                double(slice->GetFloat(
                    int(std::lround(x + r * std::cos(angle))), int(std::lround(y + r * std::sin(angle))))));
        }
        QVERIFY(brightest > background + 0.3 * phantom.fullScale());
    }
}

void TestPhantom::parsesArguments_data()
{
    // The arguments are accepted exactly when there is no error.
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("help");
    QTest::addColumn<QString>("error");
    const auto row = [](const char* name, const QStringList& arguments, const char* error, bool help = false) {
        QTest::newRow(name) << arguments << help << QString(error);
    };
    row("help", {"--size", "1x1x1", "--help"}, "", true);
    row("no output", {"--seed", "4"}, "No output file given");
    row("two outputs", {"a.tif", "b.tif"}, "More than one output file given: b.tif");
    row("bad size", {"--size", "10x10", "a.tif"},
        "Invalid size: 10x10 (expected WxHxD, each 1 to 65535, e.g. 256x256x96)");
    row("zero size", {"--size", "0x10x10", "a.tif"},
        "Invalid size: 0x10x10 (expected WxHxD, each 1 to 65535, e.g. 256x256x96)");
    row("bad type", {"--type", "u64", "a.tif"}, "Invalid type: u64 (expected u8, u16, u32 or f32)");
    row("bad spacing", {"--spacing=-1", "a.tif"}, "Invalid spacing: -1 (expected a positive number)");
    row("bad seed", {"--seed", "x", "a.tif"}, "Invalid seed: x (expected a whole number from 0)");
    row("missing value", {"a.tif", "--unit"}, "Missing value for --unit");
    row("unknown", {"--colour", "red", "a.tif"}, "Unknown option: --colour");
    row("too large", {"--size", "65535x65535x2", "a.tif"},
        "The stack would need 17179344900 bytes; a TIFF file of this kind holds less than 4 GiB");
}

void TestPhantom::parsesArguments()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, help);
    QFETCH(QString, error);
    PhantomOptions options;
    bool helpAsked = false;
    QString message;
    QCOMPARE(Phantom::parseArguments(arguments, options, helpAsked, message), error.isEmpty());
    QCOMPARE(helpAsked, help);
    QCOMPARE(message, error);
}

LUMIVOX_REGISTER_TEST(TestPhantom)
#include "TestPhantom.moc"
