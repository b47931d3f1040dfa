#include "BoolImage.h"
#include "Image.h"
#include "TestRegistry.h"
#include "TypedImage.h"

#include <QtTest>
#include <cmath>
#include <functional>
#include <limits>

Q_DECLARE_METATYPE(Image::Type)

namespace {

std::unique_ptr<Image> Make(Image::Type type, int w, int h, const std::function<float(int, int)>& value)
{
    auto image = Image::FromType(w, h, type, RATIONAL(1, 1), RATIONAL(1, 1), "");
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image->Set(x, y, value(x, y));
    return image;
}

// Grey level of the display picture at column x, line `line` from the top.
int Grey(const QImage& picture, int x, int line)
{
    return picture.constScanLine(line)[x];
}

// A 256 x 1 ramp whose pixel x holds offset + step * x.
std::unique_ptr<Image> Ramp(Image::Type type, double offset, double step)
{
    auto image = Image::FromType(256, 1, type, RATIONAL(1, 1), RATIONAL(1, 1), "");
    for (int x = 0; x < 256; ++x) {
        if (type == Image::UINT) { // beyond float precision: write the exact integer
            const uint32_t v = uint32_t(offset) + uint32_t(step * x);
            image->Set(x, 0, &v);
        } else {
            image->Set(x, 0, float(offset + step * x));
        }
    }
    return image;
}

} // namespace

class TestImageDisplay : public QObject {
    Q_OBJECT
private slots:
    void rowsAreTurnedOver_data();
    void rowsAreTurnedOver();
    void windowSpansTheValues_data();
    void windowSpansTheValues();
    void hotPixelsDoNotMoveTheWindow_data();
    void hotPixelsDoNotMoveTheWindow();
    void largeImageWindowFromSample();
    void constantImages_data();
    void constantImages();
    void brightnessAndContrast_data();
    void brightnessAndContrast();
    void floatSpecialValues();
    void rgbShownAsIs();
    void emptyImages();
};

void TestImageDisplay::rowsAreTurnedOver_data()
{
    QTest::addColumn<Image::Type>("type");
    QTest::newRow("byte") << Image::BYTE;
    QTest::newRow("ushort") << Image::USHORT;
    QTest::newRow("uint") << Image::UINT;
    QTest::newRow("float") << Image::FLOAT;
    QTest::newRow("mask") << Image::BOOL;
}

// The picture turns the rows over; the OpenGL buffer holds the same greys, bottom row first.
void TestImageDisplay::rowsAreTurnedOver()
{
    QFETCH(Image::Type, type);
    const bool mask = type == Image::BOOL;
    // Values 0..5 row by row, or for a mask only the last row set.
    auto image = Make(type, 3, 2, [&](int x, int y) { return mask ? float(y) : float(x + 3 * y); });
    const QImage picture = image->ToQImage(0, 45.0);
    QCOMPARE(picture.format(), QImage::Format_Grayscale8);
    QCOMPARE(picture.size(), QSize(3, 2));
    const std::vector<unsigned char> rgb = image->ToOpenGlRGB();
    QCOMPARE(rgb.size(), size_t(3 * 2 * 3));
    for (int line = 0; line < 2; ++line)
        for (int x = 0; x < 3; ++x) {
            const int y = 1 - line; // the top line shows the image's last row
            const int expected = mask ? 255 * y : int(std::lround((x + 3 * y) * 51.0));
            QCOMPARE(Grey(picture, x, line), expected);
            for (int k = 0; k < 3; ++k)
                QCOMPARE(int(rgb[size_t((y * 3 + x) * 3 + k)]), expected);
        }
}

void TestImageDisplay::windowSpansTheValues_data()
{
    QTest::addColumn<Image::Type>("type");
    QTest::addColumn<double>("offset");
    QTest::addColumn<double>("step");
    QTest::newRow("byte") << Image::BYTE << 0.0 << 1.0;
    QTest::newRow("ushort") << Image::USHORT << 1000.0 << 7.0;
    QTest::newRow("uint near the top") << Image::UINT << 4000000000.0 << 3.0;
    QTest::newRow("float") << Image::FLOAT << -3.0 << 0.01;
    QTest::newRow("float falling") << Image::FLOAT << 1e6 << -1000.0;
}

void TestImageDisplay::windowSpansTheValues()
{
    QFETCH(Image::Type, type);
    QFETCH(double, offset);
    QFETCH(double, step);
    // 256 distinct values: the quantile window is the whole range, and the ramp runs 0..255.
    const QImage picture = Ramp(type, offset, step)->ToQImage(0, 45.0);
    for (int x = 0; x < 256; ++x)
        QCOMPARE(Grey(picture, x, 0), step > 0 ? x : 255 - x);
}

void TestImageDisplay::hotPixelsDoNotMoveTheWindow_data()
{
    QTest::addColumn<Image::Type>("type");
    QTest::addColumn<float>("hot");
    QTest::addColumn<float>("dead");
    QTest::newRow("byte") << Image::BYTE << 255.0f << 0.0f;
    QTest::newRow("ushort") << Image::USHORT << 65535.0f << 0.0f;
    QTest::newRow("uint") << Image::UINT << 4e9f << 0.0f;
    QTest::newRow("float") << Image::FLOAT << 1e30f << -1e30f;
}

void TestImageDisplay::hotPixelsDoNotMoveTheWindow()
{
    QFETCH(Image::Type, type);
    QFETCH(float, hot);
    QFETCH(float, dead);
    const int n = 100;
    // 60 .. 140, with a background at both ends as real images have.
    auto value = [](int x, int y) { return float(std::clamp(50 + (x + y) / 2, 60, 140)); };
    auto clean = Make(type, n, n, value);
    const QImage reference = clean->ToQImage(0, 45.0);

    // Three hot and two dead pixels out of 10000 (fewer than 0.05 % on either side).
    const QVector<QPoint> spoiled{{3, 4}, {50, 50}, {99, 0}, {10, 90}, {77, 12}};
    auto spoiledImage = clean->Copy();
    for (int k = 0; k < spoiled.size(); ++k)
        spoiledImage->Set(spoiled[k].x(), spoiled[k].y(), k < 3 ? hot : dead);
    const QImage picture = spoiledImage->ToQImage(0, 45.0);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const int k = spoiled.indexOf(QPoint(x, y));
            const int expected = k < 0 ? Grey(reference, x, n - 1 - y) : k < 3 ? 255 : 0;
            QCOMPARE(Grey(picture, x, n - 1 - y), expected);
        }
    QCOMPARE(Grey(picture, 0, n - 1), 0);
    QCOMPARE(Grey(picture, n - 1, 0), 255);

    // Many hot pixels are part of the picture: the window takes them in.
    auto bright = clean->Copy();
    for (int x = 0; x < n; ++x)
        bright->Set(x, 0, hot);
    QVERIFY(Grey(bright->ToQImage(0, 45.0), n - 1, 0) < 128);
}

void TestImageDisplay::largeImageWindowFromSample()
{
    // Uniform noise over the whole 16-bit range: the window from the sample is close to 0..65535.
    const int n = 2048;
    auto image = Image::FromType(n, n, Image::USHORT, RATIONAL(1, 1), RATIONAL(1, 1), "");
    auto* pixels = static_cast<uint16_t*>(image->GetRawData());
    uint32_t state = 12345;
    for (size_t i = 0; i < size_t(n) * n; ++i) {
        state = state * 1664525u + 1013904223u;
        pixels[i] = uint16_t(state >> 16);
    }
    pixels[0] = 65535; // a hot pixel in the bottom-left corner
    const QImage picture = image->ToQImage(0, 45.0);
    int worst = 0;
    for (int y = 0; y < n; y += 7)
        for (int x = 0; x < n; x += 5) {
            const int expected = int(std::lround(pixels[size_t(y) * n + size_t(x)] / 257.0));
            worst = std::max(worst, std::abs(Grey(picture, x, n - 1 - y) - expected));
        }
    QVERIFY2(worst <= 2, qPrintable(QString::number(worst)));
    QCOMPARE(Grey(picture, 0, n - 1), 255);
}

void TestImageDisplay::constantImages_data()
{
    QTest::addColumn<Image::Type>("type");
    QTest::addColumn<float>("value");
    QTest::addColumn<int>("grey");
    QTest::newRow("byte zero") << Image::BYTE << 0.0f << 0;
    QTest::newRow("byte") << Image::BYTE << 80.0f << 255;
    QTest::newRow("ushort") << Image::USHORT << 7.0f << 255;
    QTest::newRow("uint zero") << Image::UINT << 0.0f << 0;
    QTest::newRow("float") << Image::FLOAT << 2.5f << 255;
    QTest::newRow("float negative") << Image::FLOAT << -3.0f << 0;
    QTest::newRow("float NaN") << Image::FLOAT << float(NAN) << 0;
    QTest::newRow("float infinite") << Image::FLOAT << std::numeric_limits<float>::infinity() << 255;
    QTest::newRow("empty mask") << Image::BOOL << 0.0f << 0;
    QTest::newRow("full mask") << Image::BOOL << 1.0f << 255;
}

void TestImageDisplay::constantImages()
{
    QFETCH(Image::Type, type);
    QFETCH(float, value);
    QFETCH(int, grey);
    auto image = Make(type, 5, 4, [&](int, int) { return value; });
    const QImage picture = image->ToQImage(0, 45.0);
    QCOMPARE(picture.size(), QSize(5, 4));
    for (int line = 0; line < 4; ++line)
        for (int x = 0; x < 5; ++x)
            QCOMPARE(Grey(picture, x, line), grey);
    // A nearly constant image: the few other pixels still show against the rest.
    if (type != Image::FLOAT || std::isfinite(value)) {
        auto spotted = Make(type, 50, 50, [&](int, int) { return value; });
        spotted->Set(20, 30, type == Image::BOOL ? 1.0f - value : value + 100.0f);
        const QImage p = spotted->ToQImage(0, 45.0);
        QVERIFY(Grey(p, 20, 49 - 30) != Grey(p, 0, 0));
    }
}

void TestImageDisplay::brightnessAndContrast_data()
{
    QTest::addColumn<int>("brightness");
    QTest::addColumn<double>("angle");
    QTest::addColumn<double>("slope"); // grey levels per value step about the window's centre
    QTest::newRow("brighter") << 50 << 45.0 << 1.0;
    QTest::newRow("darker") << -70 << 45.0 << 1.0;
    QTest::newRow("white") << 300 << 45.0 << 1.0;
    QTest::newRow("black") << -300 << 45.0 << 1.0;
    QTest::newRow("steeper") << 0 << 60.0 << std::sqrt(3.0);
    QTest::newRow("flatter") << 0 << 30.0 << 1.0 / std::sqrt(3.0);
    QTest::newRow("flat") << 0 << 0.0 << 0.0;
    QTest::newRow("negative is flat") << 0 << -20.0 << 0.0;
    QTest::newRow("vertical is a threshold") << 0 << 90.0 << 1e6;
    QTest::newRow("beyond vertical") << 0 << 400.0 << 1e6;
    QTest::newRow("not a number is linear") << 0 << double(NAN) << 1.0;
}

void TestImageDisplay::brightnessAndContrast()
{
    QFETCH(int, brightness);
    QFETCH(double, angle);
    QFETCH(double, slope);
    // Byte ramp 0..255: window 0..255, centre 127.5; brightness shifts the linear ramp.
    const QImage picture = Ramp(Image::BYTE, 0.0, 1.0)->ToQImage(short(brightness), angle);
    for (int x = 0; x < 256; ++x) {
        const double g = std::clamp(127.5 + (x - 127.5) * slope, 0.0, 255.0);
        QCOMPARE(Grey(picture, x, 0), std::clamp(int(std::floor(g + 0.5)) + brightness, 0, 255));
    }
}

void TestImageDisplay::floatSpecialValues()
{
    auto value = [](int x, int y) { return float(x - 2 * y) * 0.5f; };
    auto clean = Make(Image::FLOAT, 40, 30, value);
    const QImage reference = clean->ToQImage(0, 45.0);
    auto image = clean->Copy();
    image->Set(1, 1, std::numeric_limits<float>::quiet_NaN());
    image->Set(2, 2, std::numeric_limits<float>::infinity());
    image->Set(3, 3, -std::numeric_limits<float>::infinity());
    const QImage picture = image->ToQImage(0, 45.0);
    QCOMPARE(Grey(picture, 1, 29 - 1), 0);
    QCOMPARE(Grey(picture, 2, 29 - 2), 255);
    QCOMPARE(Grey(picture, 3, 29 - 3), 0);
    for (int y = 5; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            QCOMPARE(Grey(picture, x, 29 - y), Grey(reference, x, 29 - y));
    QCOMPARE(image->ToOpenGlRGB().size(), size_t(40 * 30 * 3));
}

void TestImageDisplay::rgbShownAsIs()
{
    auto image = Image::FromType(3, 2, Image::RGB, RATIONAL(1, 1), RATIONAL(1, 1), "");
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            const RgbPixel p{uint8_t(40 * x), uint8_t(200 - 100 * y), uint8_t(7 + x + y)};
            image->Set(x, y, &p);
        }
    const QImage picture = image->ToQImage(90, 10.0); // display parameters do not apply to colour
    QCOMPARE(picture.format(), QImage::Format_RGB888);
    for (int line = 0; line < 2; ++line)
        for (int x = 0; x < 3; ++x)
            QCOMPARE(picture.pixelColor(x, line), image->GetRgb(x, 1 - line));
    const std::vector<unsigned char> rgb = image->ToOpenGlRGB();
    const auto* raw = static_cast<const unsigned char*>(image->GetRawData());
    QCOMPARE(rgb, std::vector<unsigned char>(raw, raw + 18));
}

void TestImageDisplay::emptyImages()
{
    for (Image::Type type : {Image::BYTE, Image::USHORT, Image::UINT, Image::FLOAT, Image::RGB, Image::BOOL}) {
        for (const QSize size : {QSize(0, 0), QSize(4, 0), QSize(0, 3)}) {
            std::unique_ptr<Image> image;
            if (type == Image::BOOL)
                image = Image::Boolean(size.width(), size.height(), RATIONAL(1, 1), RATIONAL(1, 1), "");
            else
                image = Image::FromType(size.width(), size.height(), type, RATIONAL(1, 1), RATIONAL(1, 1), "");
            QVERIFY(image->ToQImage(0, 45.0).isNull());
            QVERIFY(image->ToOpenGlRGB().empty());
        }
    }
}

LUMIVOX_REGISTER_TEST(TestImageDisplay)
#include "TestImageDisplay.moc"
