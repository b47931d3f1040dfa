#include "Data.h"
#include "TestRegistry.h"

#include <QtTest>
#include <cmath>
#include <cstring>
#include <limits>

class TestData : public QObject {
    Q_OBJECT
private slots:
    void readsAndWritesLittleEndian_data();
    void readsAndWritesLittleEndian();
    void floatsRoundTripBitExactly_data();
    void floatsRoundTripBitExactly();
    void cubicInterpolate();
    void integerHelpers();
};

void TestData::readsAndWritesLittleEndian_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<quint32>("u16");
    QTest::addColumn<quint32>("u32");
    QTest::newRow("one") << QByteArray("\x01\x00\x00\x00", 4) << 1u << 1u;
    QTest::newRow("order") << QByteArray("\x01\x02\x03\x04", 4) << 0x0201u << 0x04030201u;
    QTest::newRow("high bits") << QByteArray("\xff\xfe\xfd\xfc", 4) << 0xfeffu << 0xfcfdfeffu;
}

void TestData::readsAndWritesLittleEndian()
{
    QFETCH(QByteArray, bytes);
    QFETCH(quint32, u16);
    QFETCH(quint32, u32);
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    QCOMPARE(quint32(Data::UShort(p)), u16);
    QCOMPARE(quint32(Data::UInt(p)), u32);
    unsigned char b[8] = {};
    QCOMPARE(Data::ToBytes(b, uint16_t(u16)), 2);
    QCOMPARE(QByteArray(reinterpret_cast<char*>(b), 2), bytes.left(2));
    QCOMPARE(Data::ToBytes(b, uint32_t(u32)), 4);
    QCOMPARE(QByteArray(reinterpret_cast<char*>(b), 4), bytes);
    // Floating-point numbers in IEEE 754 order.
    QCOMPARE(Data::ToBytes(b, 1.0f), 4);
    QCOMPARE(QByteArray(reinterpret_cast<char*>(b), 4), QByteArray("\x00\x00\x80\x3f", 4));
    QCOMPARE(Data::ToBytes(b, -2.0), 8);
    QCOMPARE(QByteArray(reinterpret_cast<char*>(b), 8), QByteArray("\x00\x00\x00\x00\x00\x00\x00\xc0", 8));
}

void TestData::floatsRoundTripBitExactly_data()
{
    QTest::addColumn<double>("value");
    QTest::newRow("pi") << M_PI;
    QTest::newRow("tiny") << 1e-300;
    QTest::newRow("negative zero") << -0.0;
    QTest::newRow("large") << 123456789.125;
}

void TestData::floatsRoundTripBitExactly()
{
    QFETCH(double, value);
    unsigned char b[8];
    Data::ToBytes(b, value);
    const double d = Data::Double(b);
    QVERIFY(std::memcmp(&d, &value, sizeof d) == 0);
    const float f = float(value);
    Data::ToBytes(b, f);
    const float g = Data::Float(b);
    QVERIFY(std::memcmp(&f, &g, sizeof f) == 0);
}

void TestData::cubicInterpolate()
{
    // Through the inner points, and exact on straight lines.
    QCOMPARE(Data::CubicInterpolate(3, 7, -2, 9, 0.0), 7.0);
    QCOMPARE(Data::CubicInterpolate(3, 7, -2, 9, 1.0), -2.0);
    QCOMPARE(Data::CubicInterpolate(5, 5, 5, 5, 0.37), 5.0);
    for (double t = 0.0; t <= 1.0; t += 0.125)
        QVERIFY(std::fabs(Data::CubicInterpolate(1, 3, 5, 7, t) - (3 + 2 * t)) < 1e-12);
}

void TestData::integerHelpers()
{
    const quint32 exponents[][2] = {{0, 1}, {1, 1}, {3, 4}, {512, 512}, {513, 1024}};
    for (const auto& e : exponents)
        QCOMPARE(Data::NextExponent(e[0]), e[1]);
    // Truncation toward zero, NaN as 0, saturation outside the range.
    QCOMPARE(Data::TruncToInt(2.9), 2);
    QCOMPARE(Data::TruncToInt(-2.9), -2);
    QCOMPARE(Data::TruncToInt(std::nan("")), 0);
    QCOMPARE(Data::TruncToInt(1e300), std::numeric_limits<int>::max());
    QCOMPARE(Data::TruncToInt(-HUGE_VAL), std::numeric_limits<int>::min());
    QCOMPARE(Data::sign(-3), -1);
    QCOMPARE(Data::sign(0), 0);
    QCOMPARE(Data::sign(120), 1);
    QCOMPARE(Data::sign(-0.5), -1);
}

LUMIVOX_REGISTER_TEST(TestData)
#include "TestData.moc"
