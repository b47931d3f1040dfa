#include "Point3D.h"
#include "Quaternion.h"
#include "TestRegistry.h"

#include <QtTest>
#include <cmath>

Q_DECLARE_METATYPE(Point3D)
Q_DECLARE_METATYPE(Quaternion)

namespace {

constexpr double pi = 3.14159265358979323846;

bool Near(const Point3D& a, const Point3D& b, float tolerance = 1e-6f)
{
    return Point3D::Distance(a, b) < tolerance;
}

bool Near(const Quaternion& q, double a, double b, double c, double d, double tolerance = 1e-12)
{
    return std::fabs(q.GetA() - a) < tolerance && std::fabs(q.GetB() - b) < tolerance
        && std::fabs(q.GetC() - c) < tolerance && std::fabs(q.GetD() - d) < tolerance;
}

QByteArray Text(const Point3D& p)
{
    return QString("(%1, %2, %3)").arg(p.x).arg(p.y).arg(p.z).toUtf8();
}

} // namespace

class TestQuaternion : public QObject {
    Q_OBJECT
private slots:
    void hamiltonProduct_data();
    void hamiltonProduct();
    void normDivisionAndConjugate();
    void rotatesPoints_data();
    void rotatesPoints();
    void getAxisRoundTrip_data();
    void getAxisRoundTrip();
    void glMatrixMatchesRotate_data();
    void glMatrixMatchesRotate();
};

void TestQuaternion::hamiltonProduct_data()
{
    QTest::addColumn<Quaternion>("p");
    QTest::addColumn<Quaternion>("q");
    QTest::addColumn<Quaternion>("expected");
    const Quaternion one(1, 0, 0, 0), i(0, 1, 0, 0), j(0, 0, 1, 0), k(0, 0, 0, 1);
    QTest::newRow("i j = k") << i << j << k;
    QTest::newRow("j i = -k") << j << i << Quaternion(0, 0, 0, -1);
    QTest::newRow("i i = -1") << i << i << Quaternion(-1, 0, 0, 0);
    QTest::newRow("one is neutral") << one << Quaternion(2, 3, 5, 7) << Quaternion(2, 3, 5, 7);
    QTest::newRow("general") << Quaternion(1, 2, 3, 4) << Quaternion(5, 6, 7, 8) << Quaternion(-60, 12, 30, 24);
}

void TestQuaternion::hamiltonProduct()
{
    QFETCH(Quaternion, p);
    QFETCH(Quaternion, q);
    QFETCH(Quaternion, expected);
    const Quaternion r = p * q;
    QVERIFY(Near(r, expected.GetA(), expected.GetB(), expected.GetC(), expected.GetD()));
    // The product with a point is the product with the pure quaternion (0, point).
    const Quaternion withPoint = p * Point3D(float(q.GetB()), float(q.GetC()), float(q.GetD()));
    const Quaternion pure = p * Quaternion(q.GetB(), q.GetC(), q.GetD());
    QVERIFY(Near(withPoint, pure.GetA(), pure.GetB(), pure.GetC(), pure.GetD()));
}

void TestQuaternion::normDivisionAndConjugate()
{
    Quaternion q(1, 2, 2, 4);
    QCOMPARE(q.Norm(), 5.0);
    const Quaternion conjugate = q.Conjugate();
    QVERIFY(Near(conjugate, 1, -2, -2, -4));
    QVERIFY(Near(q * conjugate, 25, 0, 0, 0));
    q /= 5.0;
    QVERIFY(Near(q, 0.2, 0.4, 0.4, 0.8));
    q /= 0.0;
    QVERIFY(Near(q, 0.2, 0.4, 0.4, 0.8));
    // The conjugate undoes the rotation.
    const Point3D p(3, -1, 2);
    QVERIFY(Near(q.Conjugate().Rotate(q.Rotate(p)), p, 1e-5f));
    QVERIFY(Near(Quaternion::FromAxisAngle(Point3D(), 1.0), 1, 0, 0, 0));
}

void TestQuaternion::rotatesPoints_data()
{
    QTest::addColumn<Quaternion>("q");
    QTest::addColumn<Point3D>("p");
    QTest::addColumn<Point3D>("expected");
    QTest::newRow("90 about z takes x to y")
        << Quaternion::FromAxisAngle(Point3D(0, 0, 1), pi / 2) << Point3D(1, 0, 0) << Point3D(0, 1, 0);
    QTest::newRow("90 about x takes y to z")
        << Quaternion::FromAxisAngle(Point3D(2, 0, 0), pi / 2) << Point3D(0, 1, 0) << Point3D(0, 0, 1);
    QTest::newRow("90 about y takes z to x")
        << Quaternion::FromAxisAngle(Point3D(0, 1, 0), pi / 2) << Point3D(0, 0, 1) << Point3D(1, 0, 0);
    QTest::newRow("120 about (1, 1, 1)") << Quaternion::FromAxisAngle(Point3D(1, 1, 1), 2 * pi / 3) << Point3D(2, 0, 0)
                                         << Point3D(0, 2, 0);
    // A product rotates by its right factor first.
    const Quaternion aboutZ = Quaternion::FromAxisAngle(Point3D(0, 0, 1), pi / 2);
    const Quaternion aboutX = Quaternion::FromAxisAngle(Point3D(1, 0, 0), pi / 2);
    QTest::newRow("about x, then z") << aboutZ * aboutX << Point3D(0, 1, 0) << Point3D(0, 0, 1);
    QTest::newRow("about z, then x") << aboutX * aboutZ << Point3D(0, 1, 0) << Point3D(-1, 0, 0);
    QTest::newRow("start of the 3-D view") << Quaternion(0, 0, 1, 0) << Point3D(1, 2, 3) << Point3D(-1, 2, -3);
    QTest::newRow("not unit: normalised") << Quaternion(0, 0, 3, 0) << Point3D(1, 2, 3) << Point3D(-1, 2, -3);
    QTest::newRow("zero: unchanged") << Quaternion(0, 0, 0, 0) << Point3D(1, 2, 3) << Point3D(1, 2, 3);
}

void TestQuaternion::rotatesPoints()
{
    QFETCH(Quaternion, q);
    QFETCH(Point3D, p);
    QFETCH(Point3D, expected);
    const Point3D r = q.Rotate(p);
    QVERIFY2(Near(r, expected), Text(r));
    // For a unit quaternion Rotate is the vector part of q (0, p) conj(q).
    if (std::fabs(q.Norm() - 1.0) < 1e-12) {
        const Quaternion sandwich = q * p * q.Conjugate();
        QVERIFY(std::fabs(sandwich.GetA()) < 1e-6);
        QVERIFY(Near(Point3D(float(sandwich.GetB()), float(sandwich.GetC()), float(sandwich.GetD())), expected));
    }
}

void TestQuaternion::getAxisRoundTrip_data()
{
    QTest::addColumn<Point3D>("axis");
    QTest::addColumn<double>("degrees");
    QTest::newRow("90 about z") << Point3D(0, 0, 1) << 90.0;
    QTest::newRow("30 about (1, 1, 0)") << Point3D(1, 1, 0) << 30.0;
    QTest::newRow("179.9 about (1, 2, 3)") << Point3D(1, 2, 3) << 179.9;
    QTest::newRow("270 about -y") << Point3D(0, -4, 0) << 270.0;
    QTest::newRow("tiny angle") << Point3D(3, 0, 4) << 1e-6;
}

void TestQuaternion::getAxisRoundTrip()
{
    QFETCH(Point3D, axis);
    QFETCH(double, degrees);
    const Quaternion q = Quaternion::FromAxisAngle(axis, degrees * pi / 180.0);
    QVERIFY(std::fabs(q.Norm() - 1.0) < 1e-12);
    const Quaternion r = q.GetAxis();
    const Point3D unit = axis / axis.Norm();
    QVERIFY2(std::fabs(r.GetA() - degrees) < 1e-9 * std::fmax(1.0, degrees), qPrintable(QString::number(r.GetA())));
    QVERIFY(Near(Point3D(float(r.GetB()), float(r.GetC()), float(r.GetD())), unit));
    QVERIFY(Near(Quaternion().GetAxis(), 0, 0, 0, 1));
    QVERIFY(Near(Quaternion(-1, 0, 0, 0).GetAxis(), 0, 0, 0, 1));
}

void TestQuaternion::glMatrixMatchesRotate_data()
{
    QTest::addColumn<Quaternion>("q");
    QTest::newRow("identity") << Quaternion();
    QTest::newRow("90 about z") << Quaternion::FromAxisAngle(Point3D(0, 0, 1), pi / 2);
    QTest::newRow("general") << Quaternion::FromAxisAngle(Point3D(1, -2, 0.5f), 2.3);
    QTest::newRow("not unit") << Quaternion(1, 2, 3, 4);
}

void TestQuaternion::glMatrixMatchesRotate()
{
    QFETCH(Quaternion, q);
    double m[16];
    q.ToGlMatrix(m);
    for (const Point3D& p : {Point3D(1, 0, 0), Point3D(0, 1, 0), Point3D(0, 0, 1), Point3D(2, -3, 5)}) {
        // Column-major: element (row, column) at m[column * 4 + row].
        const Point3D byMatrix(float(m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12]),
            float(m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13]), float(m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14]));
        QVERIFY2(Near(byMatrix, q.Rotate(p), 1e-5f), Text(byMatrix));
    }
    QCOMPARE(QVector<double>({m[3], m[7], m[11], m[12], m[13], m[14], m[15]}), QVector<double>({0, 0, 0, 0, 0, 0, 1}));
}

LUMIVOX_REGISTER_TEST(TestQuaternion)
#include "TestQuaternion.moc"
