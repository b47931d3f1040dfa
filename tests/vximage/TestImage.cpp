#include "BoolImage.h"
#include "Image.h"
#include "Matrix.h"
#include "Point.h"
#include "TestRegistry.h"
#include "TypedImage.h"

#include <QtTest>
#include <algorithm>
#include <cmath>
#include <functional>

Q_DECLARE_METATYPE(Image::Type)
Q_DECLARE_METATYPE(RATIONAL)

namespace {

const RATIONAL kRes(1, 4);

std::unique_ptr<Image> Make(Image::Type type, int w, int h, const std::function<float(int, int)>& value)
{
    auto image = Image::FromType(w, h, type, kRes, RATIONAL(3, 2), "mm");
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image->Set(x, y, value(x, y));
    return image;
}

// Restores the program's derivative kernels after a test changed them.
struct KernelGuard {
    Matrix* dx = Image::DX;
    Matrix* dy = Image::DY;
    Matrix* laplace = Image::LAPLACE;
    ~KernelGuard()
    {
        Image::DX = dx;
        Image::DY = dy;
        Image::LAPLACE = laplace;
    }
};

// The kernels as the program's entry point builds them.
const double kDx[9] = {0, 0, 0, -0.5, 0, 0.5, 0, 0, 0};
const double kDy[9] = {0, 0.5, 0, 0, 0, 0, 0, -0.5, 0};
const double kLaplace[9] = {0, 0.5, 0, 0.5, -2, 0.5, 0, 0.5, 0};

} // namespace

class TestImage : public QObject {
    Q_OBJECT
private slots:
    void accessorsConvert_data();
    void accessorsConvert();
    void rgbAndMaskPixels();
    void setRawAndSetAll_data();
    void setRawAndSetAll();
    void resizeKeepsOverlap();
    void fromTypeMakesBlankImagesAndDeepCopies_data();
    void fromTypeMakesBlankImagesAndDeepCopies();
    void fromTypeRejectsBadArguments();
    void fromBufferSharesArena();
    void bilinearGet_data();
    void bilinearGet();
    void moveConverts();
    void derivativesOfRamp_data();
    void derivativesOfRamp();
    void derivativesUseProgramKernels();
    void laplaceOfQuadratic();
    void filterKernelOrientation_data();
    void filterKernelOrientation();
    void scaleSizes_data();
    void scaleSizes();
    void scaleResamples();
    void thresholdMaskSides_data();
    void thresholdMaskSides();
    void thresholdMaskCommonPart();
    void embedSplineDrawsClosedOutline_data();
    void embedSplineDrawsClosedOutline();
    void embedSplineClipsFarNodesAndDrawsValues();
};

void TestImage::accessorsConvert_data()
{
    QTest::addColumn<Image::Type>("type");
    QTest::addColumn<float>("stored");
    QTest::addColumn<uint>("asByte");
    QTest::addColumn<uint>("asUShort");
    QTest::addColumn<uint>("asUInt");
    QTest::addColumn<float>("asFloat");
    QTest::addColumn<bool>("asBool");
    QTest::addColumn<QString>("text");

    QTest::newRow("byte") << Image::BYTE << 200.0f << 200u << 200u << 200u << 200.0f << true << "200";
    QTest::newRow("byte saturates") << Image::BYTE << 300.0f << 255u << 255u << 255u << 255.0f << true << "255";
    QTest::newRow("byte negative") << Image::BYTE << -5.0f << 0u << 0u << 0u << 0.0f << false << "0";
    QTest::newRow("byte rounds up") << Image::BYTE << 12.6f << 13u << 13u << 13u << 13.0f << true << "13";
    QTest::newRow("byte rounds half to even") << Image::BYTE << 12.5f << 12u << 12u << 12u << 12.0f << true << "12";
    QTest::newRow("ushort") << Image::USHORT << 1000.0f << 255u << 1000u << 1000u << 1000.0f << true << "1000";
    QTest::newRow("ushort saturates") << Image::USHORT << 70000.0f << 255u << 65535u << 65535u << 65535.0f << true
                                      << "65535";
    QTest::newRow("uint") << Image::UINT << 100000.0f << 255u << 65535u << 100000u << 100000.0f << true << "100000";
    QTest::newRow("uint saturates") << Image::UINT << 5e9f << 255u << 65535u << 4294967295u << 4294967295.0f << true
                                    << "4294967295";
    QTest::newRow("uint NaN") << Image::UINT << float(NAN) << 0u << 0u << 0u << 0.0f << false << "0";
    QTest::newRow("float") << Image::FLOAT << 3.5f << 4u << 4u << 4u << 3.5f << true << "3.5";
    QTest::newRow("float negative") << Image::FLOAT << -2.25f << 0u << 0u << 0u << -2.25f << true << "-2.25";
    QTest::newRow("float large") << Image::FLOAT << 1e6f << 255u << 65535u << 1000000u << 1e6f << true << "1e+06";
    QTest::newRow("float zero") << Image::FLOAT << 0.0f << 0u << 0u << 0u << 0.0f << false << "0";
    QTest::newRow("rgb from grey") << Image::RGB << 100.0f << 100u << 100u << 100u << 100.0f << true << "100, 100, 100";
    QTest::newRow("mask") << Image::BOOL << 1.0f << 1u << 1u << 1u << 1.0f << true << "1";
}

void TestImage::accessorsConvert()
{
    QFETCH(Image::Type, type);
    QFETCH(float, stored);
    auto image = Image::FromType(3, 2, type, kRes, kRes, "mm");
    QVERIFY(image);
    image->Set(2, 1, stored);
    QTEST(uint(image->GetByte(2, 1)), "asByte");
    QTEST(uint(image->GetUShort(2, 1)), "asUShort");
    QTEST(uint(image->GetUInt(2, 1)), "asUInt");
    QTEST(image->GetFloat(2, 1), "asFloat");
    QTEST(image->GetBool(2, 1), "asBool");
    QTEST(image->GetString(2, 1), "text");
    // The neighbours are untouched.
    QCOMPARE(image->GetFloat(1, 1), 0.0f);
    QCOMPARE(image->GetFloat(2, 0), 0.0f);
}

void TestImage::rgbAndMaskPixels()
{
    auto image = Image::FromType(2, 2, Image::RGB, kRes, kRes, "");
    const RgbPixel orange{255, 128, 0};
    image->Set(1, 0, &orange);
    QCOMPARE(image->GetRgb(1, 0), QColor(255, 128, 0));
    QCOMPARE(image->GetString(1, 0), QString("255, 128, 0"));
    // Luminance 0.299 R + 0.587 G + 0.114 B.
    QCOMPARE(image->GetFloat(1, 0), 0.299f * 255 + 0.587f * 128);
    QCOMPARE(uint(image->GetByte(1, 0)), 151u);
    QVERIFY(image->GetBool(1, 0));
    QVERIFY(!image->GetBool(0, 0));
    const auto* raw = static_cast<const unsigned char*>(image->GetRawData());
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(raw) + 3, 3), QByteArray("\xff\x80\x00", 3));
    // Scalar images read as grey.
    auto grey = Image::FromType(1, 1, Image::USHORT, kRes, kRes, "");
    grey->Set(0, 0, 1000.0f);
    QCOMPARE(grey->GetRgb(0, 0), QColor(255, 255, 255));

    auto mask = Image::Boolean(4, 3, RATIONAL(1, 1), RATIONAL(1, 1), "");
    QCOMPARE(mask->GetType(), Image::BOOL);
    QCOMPARE(mask->GetPixelArea(), uint64_t(0));
    mask->Set(3, 2, true);
    QVERIFY(mask->Get(3, 2));
    QVERIFY(mask->GetBool(3, 2));
    QCOMPARE(mask->GetRgb(3, 2), QColor(255, 255, 255));
    QCOMPARE(mask->GetRgb(0, 0), QColor(0, 0, 0));
    mask->Set(3, 2, false);
    QVERIFY(!mask->Get(3, 2));
}

void TestImage::setRawAndSetAll_data()
{
    QTest::addColumn<Image::Type>("type");
    QTest::addColumn<QByteArray>("pixel");
    QTest::addColumn<float>("value");
    QTest::newRow("byte") << Image::BYTE << QByteArray("\x7f", 1) << 127.0f;
    QTest::newRow("ushort") << Image::USHORT << QByteArray("\x34\x12", 2) << float(0x1234);
    QTest::newRow("uint") << Image::UINT << QByteArray("\x01\x00\x01\x00", 4) << 65537.0f;
    QTest::newRow("float") << Image::FLOAT << QByteArray("\x00\x00\xc0\x3f", 4) << 1.5f;
    QTest::newRow("rgb") << Image::RGB << QByteArray("\x00\x00\x64", 3) << 0.114f * 100;
}

void TestImage::setRawAndSetAll()
{
    QFETCH(Image::Type, type);
    QFETCH(QByteArray, pixel);
    QFETCH(float, value);
    auto image = Image::FromType(3, 3, type, kRes, kRes, "");
    QCOMPARE(image->GetBytesPerPixel(), pixel.size());
    image->Set(1, 2, pixel.constData());
    QCOMPARE(image->GetFloat(1, 2), value);
    QCOMPARE(image->GetFloat(2, 1), 0.0f);
    image->SetAll(pixel.constData());
    const auto* raw = static_cast<const char*>(image->GetRawData());
    QCOMPARE(QByteArray(raw, int(image->GetByteCount())), pixel.repeated(9));
}

void TestImage::resizeKeepsOverlap()
{
    auto image = Make(Image::USHORT, 3, 2, [](int x, int y) { return float(1 + x + 10 * y); });
    image->Resize(4, 3);
    QCOMPARE(image->width, 4);
    QCOMPARE(image->height, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            QCOMPARE(image->GetFloat(x, y), (x < 3 && y < 2) ? float(1 + x + 10 * y) : 0.0f);
    image->Resize(2, 1);
    QCOMPARE(image->GetByteCount(), size_t(4));
    QCOMPARE(image->GetFloat(0, 0), 1.0f);
    QCOMPARE(image->GetFloat(1, 0), 2.0f);
}

void TestImage::fromTypeMakesBlankImagesAndDeepCopies_data()
{
    QTest::addColumn<Image::Type>("type");
    QTest::addColumn<int>("bytesPerPixel");
    QTest::newRow("byte") << Image::BYTE << 1;
    QTest::newRow("ushort") << Image::USHORT << 2;
    QTest::newRow("uint") << Image::UINT << 4;
    QTest::newRow("float") << Image::FLOAT << 4;
    QTest::newRow("mask") << Image::BOOL << 1;
    QTest::newRow("rgb") << Image::RGB << 3;
}

void TestImage::fromTypeMakesBlankImagesAndDeepCopies()
{
    QFETCH(Image::Type, type);
    QFETCH(int, bytesPerPixel);
    auto image = Image::FromType(5, 7, type, RATIONAL(2, 3), RATIONAL(5, 7), "um");
    QVERIFY(image);
    QCOMPARE(image->GetType(), type);
    QCOMPARE(image->GetBytesPerPixel(), bytesPerPixel);
    QCOMPARE(image->GetByteCount(), size_t(35 * bytesPerPixel));
    QCOMPARE(image->GetXResolution(), RATIONAL(2, 3));
    QCOMPARE(image->GetYResolution(), RATIONAL(5, 7));
    QCOMPARE(image->GetResUnit(), std::string("um"));
    const auto* raw = static_cast<const char*>(image->GetRawData());
    QCOMPARE(QByteArray(raw, int(image->GetByteCount())), QByteArray(35 * bytesPerPixel, '\0'));
    QCOMPARE(type == Image::BOOL, dynamic_cast<BoolImage*>(image.get()) != nullptr);

    // A copy has the same type and size and its own pixels.
    image->Set(1, 0, 1.0f);
    auto copy = image->Copy();
    QCOMPARE(copy->GetType(), type);
    QCOMPARE(copy->width, 5);
    QCOMPARE(copy->height, 7);
    QCOMPARE(copy->GetYResolution(), RATIONAL(5, 7));
    QCOMPARE(copy->GetResUnit(), std::string("um"));
    QVERIFY(copy->GetRawData() != image->GetRawData());
    image->Set(1, 0, 0.0f);
    image->Set(0, 0, 1.0f);
    QVERIFY(copy->GetFloat(1, 0) > 0.5f);
    QCOMPARE(copy->GetFloat(0, 0), 0.0f);
    if (type == Image::BOOL) {
        const auto& mask = static_cast<const BoolImage&>(*copy);
        BoolImage assigned;
        assigned = mask;
        QCOMPARE(assigned.width, 5);
        QVERIFY(assigned.Get(1, 0));
        QVERIFY(assigned.Pixels() != mask.Pixels());
    }
}

void TestImage::fromTypeRejectsBadArguments()
{
    QVERIFY(!Image::FromType(-1, 4, Image::BYTE, kRes, kRes, ""));
    QVERIFY(!Image::FromType(4, -1, Image::FLOAT, kRes, kRes, ""));
    QVERIFY(!Image::FromType(4, 4, Image::Type(99), kRes, kRes, ""));
    QVERIFY(!Image::FromBuffer(4, 4, Image::USHORT, PixelBuffer(31), kRes, kRes, ""));
    auto empty = Image::FromType(0, 0, Image::USHORT, kRes, kRes, "");
    QVERIFY(empty);
    QCOMPARE(empty->GetByteCount(), size_t(0));
}

void TestImage::fromBufferSharesArena()
{
    // Two slices in one arena: each image is a window of it.
    auto arena = PixelBuffer::AllocateArena(2 * 6 * 2);
    auto first = Image::FromBuffer(3, 2, Image::USHORT, PixelBuffer(arena, 0, 12), kRes, kRes, "");
    auto second = Image::FromBuffer(3, 2, Image::USHORT, PixelBuffer(arena, 12, 12), kRes, kRes, "");
    QVERIFY(first && second);
    second->Set(0, 0, float(0x0102));
    first->Set(2, 1, float(0x0304));
    QCOMPARE(int(arena.get()[12]), 0x02);
    QCOMPARE(int(arena.get()[13]), 0x01);
    QCOMPARE(int(arena.get()[10]), 0x04);
    QCOMPARE(first->GetFloat(0, 0), 0.0f);
    // A copy leaves the arena.
    auto copy = second->Copy();
    copy->Set(0, 0, 7.0f);
    QCOMPARE(second->GetFloat(0, 0), float(0x0102));
    // Masks take their own copy of the bytes.
    auto mask = Image::FromBuffer(3, 2, Image::BOOL, PixelBuffer(arena, 12, 6), kRes, kRes, "");
    QVERIFY(mask);
    QVERIFY(mask->GetBool(0, 0));
    second->Set(0, 0, 0.0f);
    QVERIFY(mask->GetBool(0, 0));
}

void TestImage::bilinearGet_data()
{
    QTest::addColumn<float>("x");
    QTest::addColumn<float>("y");
    QTest::addColumn<float>("expected");
    // Pixels (0,0)=0, (1,0)=10, (0,1)=20, (1,1)=30; row 1 lies above row 0.
    QTest::newRow("pixel") << 1.0f << 0.0f << 10.0f;
    QTest::newRow("upper pixel") << 0.0f << 1.0f << 20.0f;
    QTest::newRow("centre") << 0.5f << 0.5f << 15.0f;
    QTest::newRow("along x") << 0.25f << 0.0f << 2.5f;
    QTest::newRow("along y") << 1.0f << 0.75f << 25.0f;
    QTest::newRow("clamped left below") << -3.0f << -1.0f << 0.0f;
    QTest::newRow("clamped right above") << 5.0f << 9.0f << 30.0f;
    QTest::newRow("clamped in x only") << 7.0f << 0.5f << 20.0f;
}

void TestImage::bilinearGet()
{
    QFETCH(float, x);
    QFETCH(float, y);
    QFETCH(float, expected);
    auto image = Make(Image::FLOAT, 2, 2, [](int px, int py) { return float(10 * px + 20 * py); });
    QCOMPARE(image->Get(x, y), expected);
    auto bytes = Make(Image::BYTE, 2, 2, [](int px, int py) { return float(10 * px + 20 * py); });
    QCOMPARE(bytes->Get(x, y), expected);
}

void TestImage::moveConverts()
{
    auto source = Make(Image::USHORT, 2, 2, [](int x, int y) { return float(1000 * (x + 2 * y)); });
    auto target = Image::FromType(3, 3, Image::BYTE, kRes, kRes, "");
    source->Move(1, 0, target.get(), 2, 2);
    QCOMPARE(uint(target->GetByte(2, 2)), 255u);
    auto same = Image::FromType(3, 3, Image::USHORT, kRes, kRes, "");
    source->Move(1, 1, same.get(), 0, 1);
    QCOMPARE(same->GetFloat(0, 1), 3000.0f);
    source->Move(0.5f, 0.5f, same.get(), 1.4f, 1.6f); // into pixel (1, 2)
    QCOMPARE(same->GetFloat(1, 2), 1500.0f);
    source->Move(5, 5, same.get(), 0, 0); // outside: nothing
    source->Move(0, 0, same.get(), 9, 9);
    QCOMPARE(same->GetFloat(0, 0), 0.0f);
}

void TestImage::derivativesOfRamp_data()
{
    QTest::addColumn<Image::Type>("type");
    QTest::addColumn<float>("sx");
    QTest::addColumn<float>("sy");
    QTest::newRow("byte") << Image::BYTE << 3.0f << 5.0f;
    QTest::newRow("ushort falling x") << Image::USHORT << -7.0f << 11.0f;
    QTest::newRow("uint falling y") << Image::UINT << 2.0f << -9.0f;
    QTest::newRow("float") << Image::FLOAT << 0.25f << -0.5f;
    QTest::newRow("mask") << Image::BOOL << 0.0f << 0.0f;
}

void TestImage::derivativesOfRamp()
{
    QFETCH(Image::Type, type);
    QFETCH(float, sx);
    QFETCH(float, sy);
    const KernelGuard guard;
    Image::DX = Image::DY = nullptr;
    const int w = 6, h = 5;
    auto image = Make(type, w, h, [&](int x, int y) { return 100.0f + sx * x + sy * y; });
    const auto dx = image->ddx();
    const auto dy = image->ddy();
    QVERIFY(dx && dy);
    QCOMPARE(dx->GetType(), Image::FLOAT);
    QCOMPARE(dx->width, w);
    QCOMPARE(dy->height, h);
    QCOMPARE(dx->GetXResolution(), kRes);
    QCOMPARE(dy->GetYResolution(), RATIONAL(3, 2));
    QCOMPARE(dx->GetResUnit(), std::string("mm"));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            // Interior: the central difference; at the edges the repeated border pixel halves it.
            const float ex = (x == 0 || x == w - 1) ? sx / 2 : sx;
            const float ey = (y == 0 || y == h - 1) ? sy / 2 : sy;
            QCOMPARE(dx->GetFloat(x, y), ex);
            QCOMPARE(dy->GetFloat(x, y), ey);
        }
}

void TestImage::derivativesUseProgramKernels()
{
    const KernelGuard guard;
    Matrix dxKernel(3, 3, kDx), dyKernel(3, 3, kDy), laplaceKernel(3, 3, kLaplace);
    auto image = Make(Image::FLOAT, 7, 6, [](int x, int y) { return float(x * x * y + 3 * y - x); });
    Image::DX = Image::DY = Image::LAPLACE = nullptr;
    const auto dx0 = image->ddx(), dy0 = image->ddy(), l0 = image->laplace();
    Image::DX = &dxKernel;
    Image::DY = &dyKernel;
    Image::LAPLACE = &laplaceKernel;
    const auto dx1 = image->ddx(), dy1 = image->ddy(), l1 = image->laplace();
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 7; ++x) {
            QCOMPARE(dx1->GetFloat(x, y), dx0->GetFloat(x, y));
            QCOMPARE(dy1->GetFloat(x, y), dy0->GetFloat(x, y));
            QCOMPARE(l1->GetFloat(x, y), l0->GetFloat(x, y));
        }
    // A different kernel installed by the program is the one used.
    const double doubled[9] = {0, 0, 0, -1, 0, 1, 0, 0, 0};
    Matrix twice(3, 3, doubled);
    Image::DX = &twice;
    QCOMPARE(image->ddx()->GetFloat(3, 2), 2 * dx0->GetFloat(3, 2));
}

void TestImage::laplaceOfQuadratic()
{
    const KernelGuard guard;
    Image::LAPLACE = nullptr;
    // With the half-weighted kernel the response to x^2 + y^2 is 2 (1 per axis).
    auto image = Make(Image::FLOAT, 8, 7, [](int x, int y) { return float(x * x + y * y); });
    const auto l = image->laplace();
    for (int y = 1; y < 6; ++y)
        for (int x = 1; x < 7; ++x)
            QCOMPARE(l->GetFloat(x, y), 2.0f);
    const auto flat = Make(Image::USHORT, 4, 4, [](int, int) { return 500.0f; })->laplace();
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            QCOMPARE(flat->GetFloat(x, y), 0.0f);
}

void TestImage::filterKernelOrientation_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("dx");
    QTest::addColumn<int>("dy");
    QTest::newRow("top row weighs the row above") << 0 << 1 << 0 << 1;
    QTest::newRow("bottom row weighs the row below") << 2 << 1 << 0 << -1;
    QTest::newRow("left column weighs the left pixel") << 1 << 0 << -1 << 0;
    QTest::newRow("right column weighs the right pixel") << 1 << 2 << 1 << 0;
    QTest::newRow("top left corner") << 0 << 0 << -1 << 1;
    QTest::newRow("centre") << 1 << 1 << 0 << 0;
}

void TestImage::filterKernelOrientation()
{
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(int, dx);
    QFETCH(int, dy);
    double values[9] = {};
    values[row * 3 + column] = 2.0;
    const Matrix kernel(3, 3, values);
    const int w = 5, h = 4;
    auto image = Make(Image::UINT, w, h, [](int x, int y) { return float(1 + x + 10 * y); });
    const auto out = image->Filter(kernel);
    QCOMPARE(out->GetType(), Image::FLOAT);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int sx = std::clamp(x + dx, 0, w - 1);
            const int sy = std::clamp(y + dy, 0, h - 1);
            QCOMPARE(out->GetFloat(x, y), 2.0f * float(1 + sx + 10 * sy));
        }
}

void TestImage::scaleSizes_data()
{
    QTest::addColumn<Image::Type>("type");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<double>("fx");
    QTest::addColumn<double>("fy");
    QTest::addColumn<int>("newWidth");
    QTest::addColumn<int>("newHeight");
    QTest::addColumn<RATIONAL>("newXRes");
    QTest::addColumn<RATIONAL>("newYRes");
    // Resolution is the pixel size: it shrinks as the image grows.
    QTest::newRow("half") << Image::USHORT << 10 << 7 << 0.5 << 0.5 << 5 << 3 << RATIONAL(1, 2) << RATIONAL(3, 1);
    QTest::newRow("enlarge") << Image::USHORT << 10 << 7 << 2.0 << 3.0 << 20 << 21 << RATIONAL(1, 8) << RATIONAL(1, 2);
    QTest::newRow("byte, truncates") << Image::BYTE << 10 << 7 << 0.33 << 1.0 << 3 << 7 << RATIONAL(25, 33)
                                     << RATIONAL(3, 2);
    QTest::newRow("rgb, almost 2") << Image::RGB << 3 << 3 << 1.99 << 1.0 << 5 << 3 << RATIONAL(25, 199)
                                   << RATIONAL(3, 2);
    QTest::newRow("to nothing") << Image::USHORT << 10 << 7 << 0.0 << 1.0 << 0 << 7 << RATIONAL(1, 4) << RATIONAL(3, 2);
    QTest::newRow("uint, mixed") << Image::UINT << 10 << 7 << 0.33 << 3.0 << 3 << 21 << RATIONAL(25, 33)
                                 << RATIONAL(1, 2);
    QTest::newRow("float, mixed") << Image::FLOAT << 10 << 7 << 1.99 << 0.5 << 19 << 3 << RATIONAL(25, 199)
                                  << RATIONAL(3, 1);
    QTest::newRow("mask") << Image::BOOL << 10 << 7 << 0.33 << 3.0 << 3 << 21 << RATIONAL(25, 33) << RATIONAL(1, 2);
}

// Sizes truncate, resolutions follow, and a constant image stays constant however its pixels
// are cut.
void TestImage::scaleSizes()
{
    QFETCH(Image::Type, type);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(double, fx);
    QFETCH(double, fy);
    const float value = type == Image::BOOL ? 1.0f : 97.0f;
    auto image = Make(type, width, height, [&](int, int) { return value; });
    const auto scaled = image->Scale(fx, fy);
    QVERIFY(scaled);
    QCOMPARE(scaled->GetType(), type);
    QCOMPARE(type == Image::BOOL, dynamic_cast<BoolImage*>(scaled.get()) != nullptr);
    QTEST(scaled->width, "newWidth");
    QTEST(scaled->height, "newHeight");
    QTEST(scaled->GetXResolution(), "newXRes");
    QTEST(scaled->GetYResolution(), "newYRes");
    QCOMPARE(scaled->GetResUnit(), std::string("mm"));
    for (int y = 0; y < scaled->height; ++y)
        for (int x = 0; x < scaled->width; ++x)
            QCOMPARE(scaled->GetFloat(x, y), value);
}

void TestImage::scaleResamples()
{
    // Two pixels 0 and 100 doubled: output centres fall at source positions -0.25, 0.25, 0.75, 1.25.
    auto image = Make(Image::FLOAT, 2, 1, [](int x, int) { return 100.0f * x; });
    const auto scaled = image->Scale(2.0, 1.0);
    QCOMPARE(scaled->width, 4);
    const QVector<float> doubled{
        scaled->GetFloat(0, 0), scaled->GetFloat(1, 0), scaled->GetFloat(2, 0), scaled->GetFloat(3, 0)};
    QCOMPARE(doubled, QVector<float>({0, 25, 75, 100}));
    // Colours are resampled channel by channel.
    auto rgb = Image::FromType(2, 1, Image::RGB, kRes, kRes, "");
    const RgbPixel red{200, 0, 0}, blue{0, 0, 200};
    rgb->Set(0, 0, &red);
    rgb->Set(1, 0, &blue);
    QCOMPARE(rgb->Scale(2.0, 1.0)->GetRgb(1, 0), QColor(150, 0, 50));
    // Shrinking: each output pixel is the mean of the 2 x 2 block it covers.
    const auto half = Make(Image::USHORT, 4, 2, [](int x, int y) { return float(10 * x + 100 * y); })->Scale(0.5, 0.5);
    QCOMPARE(half->width, 2);
    QCOMPARE(half->height, 1);
    QCOMPARE(half->GetFloat(0, 0), 55.0f);
    QCOMPARE(half->GetFloat(1, 0), 75.0f);
    // Every pixel counts, not only those next to the output pixel's centre.
    auto row = Make(Image::FLOAT, 4, 1, [](int x, int) { return x == 3 ? 70.0f : float(10 * x); });
    QCOMPARE(row->Scale(0.25, 1.0)->GetFloat(0, 0), 25.0f);
    // Partly covered pixels count by the part covered: 3 pixels into 2.
    auto three = Make(Image::FLOAT, 3, 1, [](int x, int) { return x == 1 ? 30.0f : 0.0f; });
    const auto two = three->Scale(2.0 / 3.0, 1.0);
    QCOMPARE(two->width, 2);
    QCOMPARE(two->GetFloat(0, 0), 10.0f);
    QCOMPARE(two->GetFloat(1, 0), 10.0f);
}

void TestImage::thresholdMaskSides_data()
{
    QTest::addColumn<Image::Type>("sourceType");
    QTest::addColumn<Image::Type>("targetType");
    QTest::addColumn<float>("belowValue");
    QTest::addColumn<float>("aboveValue");
    QTest::addColumn<float>("belowStored");
    QTest::addColumn<float>("aboveStored");
    QTest::newRow("mask as the program uses it") << Image::USHORT << Image::BOOL << 1.0f << 1.0f << 1.0f << 1.0f;
    QTest::newRow("mask from floats") << Image::FLOAT << Image::BOOL << 1.0f << 1.0f << 1.0f << 1.0f;
    QTest::newRow("mask stores any non-zero as 1") << Image::BYTE << Image::BOOL << 5.0f << 0.0f << 1.0f << 0.0f;
    QTest::newRow("two values") << Image::UINT << Image::USHORT << 7.0f << 9.0f << 7.0f << 9.0f;
    QTest::newRow("rgb source") << Image::RGB << Image::FLOAT << -1.0f << 2.5f << -1.0f << 2.5f;
}

void TestImage::thresholdMaskSides()
{
    QFETCH(Image::Type, sourceType);
    QFETCH(Image::Type, targetType);
    QFETCH(float, belowValue);
    QFETCH(float, aboveValue);
    QFETCH(float, belowStored);
    QFETCH(float, aboveStored);
    // Values 0..9 along x; the window [3, 6] keeps 3, 4, 5, 6.
    auto source = Make(sourceType, 10, 2, [](int x, int) { return float(x); });
    auto target = Image::FromType(10, 2, targetType, kRes, kRes, "");
    const float marker = targetType == Image::BOOL ? 1.0f : 42.0f;
    target->Set(4, 1, marker); // inside the window: stays as it is
    target->DrawThresholdMask(*source, 3.0, 6.0, belowValue, aboveValue);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 10; ++x) {
            float expected = x < 3 ? belowStored : x > 6 ? aboveStored : 0.0f;
            if (x == 4 && y == 1)
                expected = marker;
            QCOMPARE(target->GetFloat(x, y), expected);
        }
}

void TestImage::thresholdMaskCommonPart()
{
    auto source = Make(Image::FLOAT, 3, 5, [](int, int) { return 100.0f; });
    source->Set(1, 1, float(NAN)); // neither below nor above
    auto mask = Image::Boolean(6, 2, kRes, kRes, "");
    mask->DrawThresholdMask(*source, 0.0, 50.0, 1.0f, 1.0f);
    QCOMPARE(mask->GetPixelArea(), uint64_t(5));
    QVERIFY(mask->Get(2, 1));
    QVERIFY(!mask->Get(1, 1));
    QVERIFY(!mask->Get(3, 0));
}

void TestImage::embedSplineDrawsClosedOutline_data()
{
    QTest::addColumn<QVector<QPointF>>("nodes");
    QTest::addColumn<QPoint>("inside");
    QTest::newRow("diamond") << QVector<QPointF>{{20, 2}, {38, 20}, {20, 38}, {2, 20}} << QPoint(20, 20);
    QTest::newRow("steep triangle") << QVector<QPointF>{{5, 3}, {9, 37}, {30, 20}} << QPoint(12, 20);
    QTest::newRow("shallow fractional") << QVector<QPointF>{{1.4f, 10.6f}, {38.2f, 3.3f}, {35.7f, 17.9f}, {4.1f, 12.2f}}
                                        << QPoint(30, 10);
    QTest::newRow("partly outside") << QVector<QPointF>{{-10, 5}, {30, -20}, {35, 30}, {5, 35}} << QPoint(20, 20);
}

void TestImage::embedSplineDrawsClosedOutline()
{
    QFETCH(QVector<QPointF>, nodes);
    QFETCH(QPoint, inside);
    std::vector<Point> points;
    for (const QPointF& p : nodes)
        points.emplace_back(float(p.x()), float(p.y()));
    auto mask = Image::Boolean(40, 40, kRes, kRes, "");
    mask->EmbedSpline(points, 1.0f);
    const uint64_t outline = mask->GetPixelArea();
    QVERIFY(outline > 0);
    // Every node inside the image is on the outline.
    for (const Point& p : points) {
        const int x = int(std::floor(p.x + 0.5f)), y = int(std::floor(p.y + 0.5f));
        if (mask->Contains(x, y))
            QVERIFY(mask->Get(x, y));
    }
    QVERIFY(!mask->Get(inside.x(), inside.y()));
    mask->Fill(true, inside.x(), inside.y());
    // The fill stays inside: the outline has no gap a 4-connected fill could pass.
    QVERIFY(!mask->Get(0, 39));
    QVERIFY(!mask->Get(39, 39));
    QVERIFY(mask->GetPixelArea() > outline);
}

void TestImage::embedSplineClipsFarNodesAndDrawsValues()
{
    auto mask = Image::Boolean(30, 20, kRes, kRes, "");
    // A huge square around the image: nothing to draw, and no time spent walking it.
    mask->EmbedSpline({{-1e9f, -1e9f}, {1e9f, -1e9f}, {1e9f, 1e9f}, {-1e9f, 1e9f}}, 1.0f);
    QCOMPARE(mask->GetPixelArea(), uint64_t(0));
    // A line through the image from far away is drawn where it crosses.
    mask->EmbedSpline({{-1e7f, 10.0f}, {1e7f, 10.0f}}, 1.0f);
    QCOMPARE(mask->GetPixelArea(), uint64_t(30));
    for (int x = 0; x < 30; ++x)
        QVERIFY(mask->Get(x, 10));
    // Nodes that are not numbers are skipped with their segments.
    mask->Clear();
    mask->EmbedSpline({{2, 2}, {float(NAN), 5}, {2, 8}}, 1.0f);
    QCOMPARE(mask->GetPixelArea(), uint64_t(7));
    mask->Clear();
    mask->EmbedSpline({{4.4f, 6.6f}}, 1.0f);
    QCOMPARE(mask->GetPixelArea(), uint64_t(1));
    QVERIFY(mask->Get(4, 7));
    mask->EmbedSpline({}, 1.0f);
    QCOMPARE(mask->GetPixelArea(), uint64_t(1));
    // A scalar image gets the value on the outline.
    auto image = Image::FromType(10, 10, Image::USHORT, kRes, kRes, "");
    image->EmbedSpline({{1, 1}, {8, 1}, {8, 8}, {1, 8}}, 500.0f);
    int count = 0;
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) {
            const bool onBorder = (x == 1 || x == 8 || y == 1 || y == 8) && x >= 1 && x <= 8 && y >= 1 && y <= 8;
            QCOMPARE(image->GetFloat(x, y), onBorder ? 500.0f : 0.0f);
            count += onBorder;
        }
    QCOMPARE(count, 28);
}

LUMIVOX_REGISTER_TEST(TestImage)
#include "TestImage.moc"
